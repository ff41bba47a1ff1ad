#include "ui/logic/OptionPresenter.h"

namespace ui {

std::optional<PageRefusal> acceptOptions(const std::vector<OptionPresenter*>& pages, OptionContext& context) {
    for (OptionPresenter* page : pages)
        if (std::optional<PageRefusal> refusal = page->validate()) return refusal;
    for (OptionPresenter* page : pages) page->commit(context);
    return std::nullopt;
}

}  // namespace ui

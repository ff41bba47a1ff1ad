// The product's name and its addresses on the web, in one place for every window, message and mail.
#pragma once

namespace product {

inline constexpr const char* kName = "Melodrift";
inline constexpr const char* kHost = "www.melodrift.app";
inline constexpr const char* kHomepage = "https://www.melodrift.app/";
inline constexpr const char* kUploadPage = "https://www.melodrift.app/upload";
inline constexpr const char* kSupportMail = "support@melodrift.app";
inline constexpr const char* kDownloadPage = "https://www.melodrift.app/download";
inline constexpr const char* kUpdatePage = "https://www.melodrift.app/update";
inline constexpr const char* kVideoConverterPage = "https://www.melodrift.app/video";

}  // namespace product

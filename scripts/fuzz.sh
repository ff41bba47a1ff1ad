#!/bin/sh
# Builds and runs the libFuzzer harnesses of the readers (clang, AddressSanitizer, UBSan). Not part of CI.
# usage: scripts/fuzz.sh [dwvw|bass|voice|transcoder|names|mp4|all] [seconds per harness, default 120]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
which=${1:-all}
seconds=${2:-120}
out="$here/build/fuzz"
mkdir -p "$out"

# Inputs that once found a fault stay in the committed corpus of their harness and start every run.
kept() {
    mkdir -p "$out/$1-corpus"
    [ -d "$here/fuzz/corpus/$1" ] && cp -n "$here/fuzz/corpus/$1"/* "$out/$1-corpus/" 2>/dev/null || true
}
flags="-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I$here/src"
common="$here/src/audio/BinaryFile.cpp $here/src/platform/Text.cpp $here/src/platform/posix/TextPosix.cpp
        $here/src/platform/Files.cpp $here/src/platform/posix/FilesPosix.cpp"

seeds() {  # DWVW files made by sndfile-convert, and the same as plain AIFF, as a starting corpus
    corpus="$out/dwvw-corpus"
    mkdir -p "$corpus"
    [ -n "$(ls -A "$corpus")" ] && return 0
    tmp=$(mktemp -d)
    for bits in 16 24; do
        ffmpeg -hide_banner -loglevel error -f lavfi -i "anoisesrc=amplitude=0.5:duration=0.05:sample_rate=8000" \
            -c:a pcm_s16le -y "$tmp/n.wav"
        sndfile-convert -dwvw$bits "$tmp/n.wav" "$corpus/seed$bits.aifc"
    done
    sndfile-convert -pcm16 "$tmp/n.wav" "$corpus/plain.aif"
    rm -rf "$tmp"
}

run_dwvw() {
    clang++ $flags "$here/fuzz/dwvw_reader_fuzz.cpp" "$here/src/audio/DwvwAifcReader.cpp" $common -o "$out/dwvw_reader_fuzz"
    seeds
    kept dwvw
    "$out/dwvw_reader_fuzz" -max_total_time="$seconds" -max_len=4096 -dict="$here/fuzz/dwvw.dict" \
        -print_final_stats=1 "$out/dwvw-corpus"
}

run_bass() {
    clang++ $flags "$here/fuzz/bass_stream_fuzz.cpp" "$here/src/audio/BassReader.cpp" "$here"/src/audio/bass/*.cpp \
        "$here/src/platform/posix/CdDrivePosix.cpp" $common -o "$out/bass_stream_fuzz"
    corpus="$out/bass-corpus"
    mkdir -p "$corpus"
    if [ -z "$(ls -A "$corpus")" ]; then
        ffmpeg -hide_banner -loglevel error -f lavfi -i "sine=duration=0.02:sample_rate=8000" -c:a pcm_s16le \
            -y "$out/seed.wav"
        { printf '\000'; cat "$out/seed.wav"; } > "$corpus/wav"
        printf '\001RIFF$\000\000\000CDDAfmt \030\000\000\000\001\000\001\000\000\000\000\000\002\000\000\000\005\000\000\000\000\000\000\000\000\000\000\000' > "$corpus/cda"
    fi
    kept bass
    "$out/bass_stream_fuzz" -max_total_time="$seconds" -max_len=4096 -dict="$here/fuzz/bass.dict" \
        -print_final_stats=1 "$corpus"
}

run_voice() {
    clang++ $flags "$here/fuzz/voice_fuzz.cpp" "$here/src/audio/VoiceRecorderReader.cpp" \
        "$here/src/audio/Acelp56Decoder.cpp" "$here/src/audio/Adpcm32Decoder.cpp" "$here/src/audio/G729Tables.cpp" \
        $common -o "$out/voice_fuzz"
    corpus="$out/voice-corpus"
    mkdir -p "$corpus"
    if [ -z "$(ls -A "$corpus")" ]; then  # first byte: 1 ACELP data, 2 ADPCM data behind a header
        { printf '\001'; head -c 700 /dev/urandom; } > "$corpus/acelp"
        { printf '\002'; head -c 2000 /dev/urandom; } > "$corpus/adpcm"
    fi
    kept voice
    "$out/voice_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=1 "$corpus"
}

run_transcoder() {
    # The reading of transcoder output lives in the engine, which needs most of the portable core.
    core=$(ls "$here"/src/engine/*.cpp "$here"/src/sources/*.cpp "$here"/src/commands/*.cpp "$here"/src/formats/*.cpp \
        "$here"/src/settings/*.cpp "$here"/src/audio/*.cpp "$here"/src/audio/bass/*.cpp "$here"/src/platform/*.cpp \
        "$here"/src/platform/posix/*.cpp)
    clang++ $flags "$here/fuzz/transcoder_output_fuzz.cpp" $core -lpthread -o "$out/transcoder_output_fuzz"
    corpus="$out/transcoder-corpus"
    mkdir -p "$corpus"
    if [ -z "$(ls -A "$corpus")" ]; then  # a real probe of two inputs and a real damaged conversion
        ffmpeg -hide_banner -f lavfi -i "sine=duration=0.1" -y "$out/a.mp3" 2>/dev/null
        { printf '\007'; ffmpeg -hide_banner -i "$out/a.mp3" -i "$out/a.mp3" 2>&1; } > "$corpus/probe" || true
        { printf '\020'; ffmpeg -hide_banner -i "$out/a.mp3" -f null - 2>&1;
          printf 'Error while decoding stream #0:0: Invalid data\n    Last message repeated 3 times\n'; } > "$corpus/run"
    fi
    kept transcoder
    "$out/transcoder_output_fuzz" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 "$corpus"
}

run_names() {
    clang++ $flags "$here/fuzz/name_pattern_fuzz.cpp" "$here/src/engine/NamePattern.cpp" \
        "$here/src/sources/SourceTags.cpp" $common -o "$out/name_pattern_fuzz"
    corpus="$out/names-corpus"
    mkdir -p "$corpus"
    if [ -z "$(ls -A "$corpus")" ]; then
        printf '<albumartist>\\<album>\\<track> - <title>\000T\000AC/DC\000\000..\0003' > "$corpus/seed"
    fi
    kept names
    "$out/name_pattern_fuzz" -max_total_time="$seconds" -max_len=1024 -print_final_stats=1 "$corpus"
}

run_mp4() {
    clang++ $flags "$here/fuzz/mp4_tags_fuzz.cpp" "$here/src/engine/Mp4Tags.cpp" \
        "$here/src/platform/posix/PlainFilePosix.cpp" $common -o "$out/mp4_tags_fuzz"
    corpus="$out/mp4-corpus"
    mkdir -p "$corpus"
    if [ -z "$(ls -A "$corpus")" ]; then  # small files with the movie box before and after the media data
        ffmpeg -hide_banner -loglevel error -f lavfi -i "sine=duration=0.05" -c:a aac -movflags faststart \
            -metadata title=T -y "$corpus/fast.m4a"
        ffmpeg -hide_banner -loglevel error -f lavfi -i "sine=duration=0.05" -c:a alac -y "$corpus/late.m4a"
    fi
    kept mp4
    "$out/mp4_tags_fuzz" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 "$corpus"
}

case "$which" in
    dwvw) run_dwvw ;;
    bass) run_bass ;;
    voice) run_voice ;;
    transcoder) run_transcoder ;;
    names) run_names ;;
    mp4) run_mp4 ;;
    all) run_dwvw; run_bass; run_voice; run_transcoder; run_names; run_mp4 ;;
    *) echo "usage: $0 [dwvw|bass|voice|transcoder|names|mp4|all] [seconds]" >&2; exit 2 ;;
esac

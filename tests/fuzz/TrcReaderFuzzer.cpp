// The TRC capture reader: any bytes as a file's text. See CaptureChecks.h for what a loaded clip must hold.

#include "CaptureChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    fuzz::checkCapture([&] { return orvane::tracker::readTrc(text, "fuzz.trc"); });
    return 0;
}

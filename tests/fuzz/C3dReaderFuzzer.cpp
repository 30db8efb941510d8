// The C3D capture reader: any bytes as a file. See CaptureChecks.h for what a loaded clip must hold.

#include "CaptureChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<unsigned char> bytes(data, data + size);
    fuzz::checkCapture([&] { return orvane::tracker::readC3d(bytes, "fuzz.c3d"); });
    return 0;
}

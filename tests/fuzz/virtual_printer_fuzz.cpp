// The virtual printer against anything on the line: the model with any sequence of command
// payloads (0xFF separates them), the protocol engine with any byte stream. Nothing may crash.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "emulator/fiscal_model_backend.h"
#include "emulator/protocol_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace tarvik::emu;
    if (size == 0) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    FiscalModelBackend model;
    if (data[0] & 1) {
        ProtocolEngine engine(model);
        engine.Feed(input);
        return 0;
    }
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\xFF', start);
        if (end == std::string_view::npos) end = input.size();
        model.Execute(std::string(input.substr(start, end - start)));
        start = end + 1;
    }
    model.TakePrinted();
    return 0;
}

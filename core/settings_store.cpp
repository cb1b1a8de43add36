#include "core/settings_store.h"

#include <cstring>

#include "core/exception.h"
#include "core/serial_link.h"

namespace tarvik {

std::string ReadRegistryString(Platform& platform, Hive hive, const std::string& valueName,
                               const std::string& keyPath) {
    uint8_t data[kMaxValueBytes];
    uint32_t type = reg_type::None;
    uint32_t size = sizeof data;
    if (!platform.QueryRegistryValue(hive, keyPath, valueName, &type, data, &size)) return {};
    if (type != reg_type::Sz && type != reg_type::ExpandSz && type != reg_type::MultiSz) return {};
    if (size > sizeof data) return {};
    const auto* text = reinterpret_cast<const char*>(data);
    const void* end = std::memchr(text, 0, size);
    std::string value(text, end ? static_cast<const char*>(end) - text : size);
    platform.Trace("name: " + valueName + "=>" + value);
    return value;
}

std::string ReadSetting(Platform& platform, const std::string& valueName, const std::string& defaultText,
                        const std::string& keyPath) {
    const std::string useCu = ReadRegistryString(platform, Hive::LocalMachine, "UseCU", keyPath);
    const bool userFirst = useCu.empty() || useCu == "1";
    // The per-user value is read (and traced) whatever UseCU says.
    std::string user = ReadRegistryString(platform, Hive::CurrentUser, valueName, keyPath);
    if (userFirst && !user.empty()) return user;
    std::string machine = ReadRegistryString(platform, Hive::LocalMachine, valueName, keyPath);
    if (!machine.empty()) return machine;
    if (!defaultText.empty()) return defaultText;
    throw Exception{9};
}

ResultCode LoadPortSettings(Platform& platform, SerialLink& link) {
    if (link.SettingsLoaded) return 0;
    try {
        std::string port = ReadSetting(platform, "Port", "", kSettingsKey);
        const std::string flow = ReadSetting(platform, "Flow", "XON/XOFF", kSettingsKey);
        // The name is used in full: cutting it would send fiscal commands to another device.
        if (port.size() > kMaxPortName) throw Exception{9};
        link.PortName = std::move(port);
        link.FlowChar = flow[0];
        link.SettingsLoaded = 1;
        return 0;
    } catch (...) {
        // Anything that goes wrong here, Exception above all, means no usable port name.
        link.PortName.clear();
        return 9;
    }
}

}  // namespace tarvik

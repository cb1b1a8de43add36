// The driver's settings: string values under a key in the per-user and the per-machine hive. The
// per-user value comes first unless the machine's UseCU says otherwise, then the per-machine value,
// then the default.
#pragma once

#include <string>

#include "core/result_code.h"
#include "platform/platform.h"

namespace tarvik {

class SerialLink;

constexpr const char* kSettingsKey = "Software\\Korvan\\Tarvik";
constexpr uint32_t kMaxValueBytes = 1024;

// The text of a string value (REG_SZ, REG_EXPAND_SZ taken as stored, the first string of a
// REG_MULTI_SZ), up to its first zero byte; empty when the value is absent, of another type, longer
// than 1024 bytes or unreadable. Every value found writes the trace line "name: <name>=><text>".
std::string ReadRegistryString(Platform& platform, Hive hive, const std::string& valueName,
                               const std::string& keyPath);

// The setting's text by the lookup rule; throws Exception when there is neither a value nor a
// non-empty default.
std::string ReadSetting(Platform& platform, const std::string& valueName, const std::string& defaultText,
                        const std::string& keyPath);

// Reads Port and Flow once per initialisation of the link. 9 when no port is configured, or the
// configured name is longer than 255 characters.
ResultCode LoadPortSettings(Platform& platform, SerialLink& link);

}  // namespace tarvik

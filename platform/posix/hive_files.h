// The two settings hives, each a .reg file named by the environment.
#pragma once

#include "platform/platform.h"
#include "platform/posix/reg_file.h"

#include <string>

namespace tarvik::posix {

// The file that holds a hive: $TARVIK_USER_REG, else ${XDG_CONFIG_HOME:-$HOME/.config}/tarvik/user.reg
// for the per-user hive; $TARVIK_MACHINE_REG, else /etc/tarvik/machine.reg for the per-machine
// hive. Empty when there is none (no HOME and no XDG_CONFIG_HOME).
std::string HiveFilePath(Hive hive);

// The root key under which a hive's file holds its keys.
const char* HiveRootKey(Hive hive);

// The hive as its file stands now; a missing or unreadable file (or one that is not a regular
// file) is an empty hive.
RegFile LoadHive(Hive hive);

}  // namespace tarvik::posix

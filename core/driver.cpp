#include "core/driver.h"

namespace tarvik {

Driver::Driver(Platform& platform, const DriverIdentity& identity)
    : Os(platform), Identity(identity), Link(platform, identity.PrinterModel) {}

Driver::~Driver() {
    Link.ReleasePort();
    FreeTextBuffers(Os, Text);
}

}  // namespace tarvik

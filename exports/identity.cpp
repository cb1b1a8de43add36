// Compiled once per deliverable with TARVIK_MODEL_CODE; the only thing in which the three differ.
#include "exports/library_state.h"

#ifndef TARVIK_MODEL_CODE
#error "TARVIK_MODEL_CODE names the deliverable: 0 Quenda, 5 Marbel, 1 Ostryk"
#endif

namespace tarvik {

DriverIdentity DeliverableIdentity() {
    DriverIdentity identity;
    identity.PrinterModel = TARVIK_MODEL_CODE;
    switch (identity.PrinterModel) {
        case model::Marbel:
            identity.Description = "Sterownik Marbel";
            identity.ShortName = "Marbel";
            break;
        case model::Ostryk:
            identity.Description = "Sterownik Ostryk";
            identity.ShortName = "Ostryk";
            break;
        default:
            identity.Description = "Sterownik Ardel Quenda";
            identity.ShortName = "Quenda";
            break;
    }
    identity.PaymentFormCount = 8;
    return identity;
}

}  // namespace tarvik

// CXTPControlButton: a control that runs its command when clicked.
#pragma once

#include "ui/toolkit/control.h"

class CXTPControlButton : public CXTPControl {
public:
    CXTPControlButton() : CXTPControl(xtpControlButton) {}
};

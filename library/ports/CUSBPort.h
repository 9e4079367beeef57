// A printer attached by USB, named by the device path the USB access library reports.
#pragma once

#include "CPortBase.h"

class CUSBPort : public CPortBase {
    DECLARE_DYNCREATE(CUSBPort)
public:
    CString DisplayName() const override;
    void CopySettings(const CPortBase* other) override;
    virtual void CopyFrom(const CUSBPort* other);
};

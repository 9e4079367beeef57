// A printer on a parallel port: it only sends.
#pragma once

#include "CPortBase.h"

class CParallelPort : public CPortBase {
    DECLARE_DYNCREATE(CParallelPort)
public:
    void Serialize(CArchive& ar) override;
    CString DisplayName() const override;
    void SetPortName(const CString& name) override;
    CString PortName() const override;
    // Returns at once, transfers nothing and leaves *read as the caller set it.
    void Read(void* data, std::uint32_t length, std::uint32_t* read) override;
    bool ProbeBidirectional() override;
    void CopySettings(const CPortBase* other) override;
    virtual void CopyFrom(const CParallelPort* other);

    CString m_strPort;
};

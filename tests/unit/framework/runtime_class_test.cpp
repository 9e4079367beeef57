// Class descriptors: creation by exact name and "is a kind of" along the base chain.
#include <gtest/gtest.h>
#include <memory>

#include "CNetworkPort.h"
#include "CParallelPort.h"
#include "CSerialPort.h"
#include "CUSBPort.h"

namespace {

TEST(RuntimeClass, PortKindsAreCreatedByTheirExactNames)
{
    for (const char* name : {"CPortBase", "CSerialPort", "CParallelPort", "CUSBPort", "CNetworkPort"}) {
        const CRuntimeClass* cls = CRuntimeClass::FromName(name);
        ASSERT_NE(cls, nullptr) << name;
        std::unique_ptr<CObject> object(cls->CreateObject());
        ASSERT_NE(object, nullptr) << name;
        EXPECT_STREQ(object->GetRuntimeClass()->m_lpszClassName, name);
        EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CPortBase)));
    }
    for (const char* name : {"cserialport", "CSerialPort ", "CSERIALPORT", "", "CUsbPort"})
        EXPECT_EQ(CRuntimeClass::FromName(name), nullptr) << name;
}

TEST(RuntimeClass, KindOfFollowsTheBaseChainOnly)
{
    CUSBPort usb;
    EXPECT_TRUE(usb.IsKindOf(RUNTIME_CLASS(CUSBPort)));
    EXPECT_TRUE(usb.IsKindOf(RUNTIME_CLASS(CPortBase)));
    EXPECT_TRUE(usb.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(usb.IsKindOf(RUNTIME_CLASS(CSerialPort)));
    EXPECT_FALSE(RUNTIME_CLASS(CPortBase)->IsDerivedFrom(RUNTIME_CLASS(CNetworkPort)));
    EXPECT_EQ(RUNTIME_CLASS(CObject)->CreateObject(), nullptr);
}

}  // namespace

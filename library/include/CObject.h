// Root object with run-time class information and creation by class name, the way
// objects stored in a settings document are recreated.
#pragma once

#include "CString.h"

class CArchive;
class CObject;

struct CRuntimeClass {
    const char* m_lpszClassName;
    CObject* (*m_pfnCreateObject)();          // null for classes that cannot be created by name
    const CRuntimeClass* m_pBaseClass;

    CObject* CreateObject() const;            // null when the class is not creatable
    bool IsDerivedFrom(const CRuntimeClass* base) const;

    // Registered class whose name matches exactly (case-sensitive), or null.
    static const CRuntimeClass* FromName(const CString& name);
    // Registers a class descriptor; done once per class by IMPLEMENT_DYNAMIC/IMPLEMENT_DYNCREATE.
    static bool Register(const CRuntimeClass* cls);
};

class CObject {
public:
    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    virtual void Serialize(CArchive& ar);

    bool IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }

    static const CRuntimeClass classCObject;
};

#define RUNTIME_CLASS(cls) (&cls::class##cls)

#define DECLARE_DYNAMIC(cls)                                            \
public:                                                                 \
    static const CRuntimeClass class##cls;                              \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(cls)                                          \
    DECLARE_DYNAMIC(cls)                                                \
    static CObject* CreateObject();

#define IMPLEMENT_RUNTIMECLASS_(cls, base, factory)                     \
    const CRuntimeClass cls::class##cls = {#cls, factory, RUNTIME_CLASS(base)}; \
    const CRuntimeClass* cls::GetRuntimeClass() const { return RUNTIME_CLASS(cls); } \
    static const bool s_registered_##cls = CRuntimeClass::Register(RUNTIME_CLASS(cls));

#define IMPLEMENT_DYNAMIC(cls, base) IMPLEMENT_RUNTIMECLASS_(cls, base, nullptr)

#define IMPLEMENT_DYNCREATE(cls, base)                                  \
    CObject* cls::CreateObject() { return new cls; }                    \
    IMPLEMENT_RUNTIMECLASS_(cls, base, &cls::CreateObject)

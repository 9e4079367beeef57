#include "CObject.h"

#include <map>
#include <mutex>

namespace {

struct Registry {
    std::mutex mutex;
    std::map<CString, const CRuntimeClass*> byName;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

}  // namespace

const CRuntimeClass CObject::classCObject = {"CObject", nullptr, nullptr};

const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

void CObject::Serialize(CArchive&) {}

CObject* CRuntimeClass::CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const
{
    for (const CRuntimeClass* cls = this; cls; cls = cls->m_pBaseClass)
        if (cls == base) return true;
    return false;
}

const CRuntimeClass* CRuntimeClass::FromName(const CString& name)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    auto it = registry.byName.find(name);
    return it == registry.byName.end() ? nullptr : it->second;
}

bool CRuntimeClass::Register(const CRuntimeClass* cls)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.byName[cls->m_lpszClassName] = cls;
    return true;
}

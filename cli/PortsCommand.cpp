#include "PortsCommand.h"

#include <nlohmann/json.hpp>

#include "CCommSingleton.h"

void ListPorts(bool json, std::ostream& out)
{
    const CCommSingleton& ports = CCommSingleton::Instance();
    const std::pair<const char*, const std::vector<CString>*> kinds[] = {{"serial", &ports.SerialPorts()},
                                                                         {"parallel", &ports.ParallelPorts()}};
    nlohmann::json list = nlohmann::json::array();
    for (const auto& [kind, names] : kinds) {
        for (const CString& name : *names) {
            if (json)
                list.push_back({{"kind", kind}, {"name", name}});
            else
                out << kind << '\t' << name << '\n';
        }
    }
    if (json) out << list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

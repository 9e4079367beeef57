// Where a command chosen anywhere in the program (menu, toolbar, key, context menu) goes,
// and whether it may be chosen now.
#pragma once

class ICommandRouter {
public:
    virtual ~ICommandRouter() = default;
    virtual bool IsCommandEnabled(int id) const = 0;
    virtual void OnCommand(int id) = 0;
};

#include "ProgramInfoOptions.h"

#include <iostream>
#include <memory>

#include "BashCompletion.h"
#include "ManPage.h"

void AddProgramInfoOptions(CLI::App& app, ProgramInfo info)
{
    app.set_version_flag("--version", VersionText(app), "Print the program's name and version, then exit");
    auto shared = std::make_shared<ProgramInfo>(std::move(info));
    app.add_flag_callback("--man-page", [&app, shared] {
           WriteManPage(app, *shared, std::cout);
           throw CLI::Success();
       })
        ->group("")
        ->configurable(false);
    app.add_flag_callback("--bash-completion", [&app] {
           WriteBashCompletion(app, std::cout);
           throw CLI::Success();
       })
        ->group("")
        ->configurable(false);
}

std::string VersionText(const CLI::App& app) { return app.get_name() + " " + QUARN_VERSION; }

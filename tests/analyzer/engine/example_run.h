#pragma once
// A whole run of a program on an example machine, with an example job's operations,
// through the real run session: for tests that read what the run wrote.
#include "analyzer/engine/machine_setup.h"
#include "analyzer/engine/operation_table.h"
#include "analyzer/engine/run_loop.h"
#include "analyzer/engine/run_state.h"
#include "analyzer/engine/tool_image.h"
#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <functional>
#include <memory>
#include <string>

namespace examplerun {


struct ExampleRun {
    testsupport::TempFolder folder;
    vork::TMachineSetup machine;
    vork::TToolImage picture;
    vork::TOperationTable operations{&picture};
    testsupport::ScriptedPrompter prompter;
    vork::RunServices services; // the caller may add its own before run()
    std::unique_ptr<vork::RunSession> session;
    bool ready = false; // the machine (and the operations, when named) were loaded

    // An empty operationsFile leaves the table empty: no tool has an operation.
    ExampleRun(const std::string& machineFile, const std::string& operationsFile)
    {
        prompter.buttons.assign(4, platform::Button::No); // "End of Program, Restart?"
        ready = vork::LoadMachineFile(machine, testsupport::examplePath(machineFile)) &&
                (operationsFile.empty() || operations.Loadfile(testsupport::examplePath(operationsFile), &prompter));
        copy("O1001.TAP");
        services.prompter = &prompter;
        services.operations = &operations;
    }

    // Copies an example file into the program folder.
    void copy(const std::string& name) { folder.write(name, *platform::readFileBytes(testsupport::examplePath(name))); }

    // Runs the program of the folder to its end, with SKIP and sub-program calls on;
    // afterPress runs after each Start. True when the program ended.
    bool run(const std::string& program, const std::function<void()>& afterPress = {})
    {
        session = std::make_unique<vork::RunSession>(machine, services, folder.path());
        session->settings.skip = true;
        session->settings.sub = true;
        session->settings.tapeDir = folder.path();
        session->LoadFile(folder.file(program));
        for (int press = 0; press < 10 && !session->state.EndOfProgram; ++press) {
            session->Start();
            if (afterPress)
                afterPress();
        }
        return session->state.EndOfProgram;
    }
};

} // namespace examplerun

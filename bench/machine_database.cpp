// The machine database under the editors' load: a database of many machines, each record
// saved and loaded in turn, and machines added to it.
//   bench_machine_database [machines]        (default 100)
#include "workspace/engine/machine_database.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int machines = argc > 1 ? std::atoi(argv[1]) : 100;
    const auto folder = std::filesystem::temp_directory_path() / "bench_machine_database";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const mrw::MachineDatabase db((folder / "WPOSTS.INI").string());

    mrw::MachineSettings s;
    auto start = std::chrono::steady_clock::now();
    for (int m = 1; m <= machines; ++m) {
        const std::string name = "Machine " + std::to_string(m);
        s.Eddesc = name;
        db.addMachineName(name);
        db.saveMachine(name, s);
    }
    const double building = millisecondsSince(start);

    start = std::chrono::steady_clock::now();
    for (int m = 1; m <= machines; ++m) {
        const std::string name = "Machine " + std::to_string(m);
        db.loadMachine(name, s);
        s.Digl = std::to_string(m % 7);
        db.saveMachine(name, s);
    }
    const double cycling = millisecondsSince(start);

    std::printf("%d machines, %ju bytes\n", machines,
                static_cast<std::uintmax_t>(std::filesystem::file_size(folder / "WPOSTS.INI")));
    std::printf("add and save each:      %9.1f ms (%.2f ms a machine)\n", building, building / machines);
    std::printf("load and save each:     %9.1f ms (%.2f ms a machine)\n", cycling, cycling / machines);
    std::filesystem::remove_all(folder);
    return 0;
}

// Sends an NC program through a pty pair to the simulated control, which drains it at a
// fixed rate and holds the sender with XON/XOFF, and prints the throughput as a fraction
// of the control's drain rate (the target is 0.95 or more, with no overrun).
//
//   bench_serial_xonxoff [bytes] [drain characters a second] [line baud]
// Defaults: 1 MB, a 9600-baud drain (960 characters a second, about 18 minutes), 19200 baud.
#include "dnc/engine/ascii_protocol.h"
#include "dnc/engine/comport.h"
#include "dnc/engine/posix_line.h"
#include "tests/dnc/engine/sim_control.h"

#include <QCoreApplication>

#include <cstdio>
#include <fstream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::size_t size = argc > 1 ? std::stoul(argv[1]) : 1u << 20;
    const double drain = argc > 2 ? std::stod(argv[2]) : 960.0;
    const int baud = argc > 3 ? std::stoi(argv[3]) : 19200;

    std::string program;
    for (int n = 1; program.size() < size; ++n)
        program += "N" + std::to_string(n) + "G01X" + std::to_string(n % 997) + ".5Y-2.25F300\r\n";
    program.resize(size);
    char folder[] = "/tmp/mrw-bench-XXXXXX";
    if (!::mkdtemp(folder))
        return 2;
    const std::string file = std::string(folder) + "/BIG.TAP";
    std::ofstream(file, std::ios::binary) << program;

    simcontrol::PtyPair pty;
    // A control with a 256-byte buffer: XOFF at 192, XON at 64.
    simcontrol::SimControl control(pty.machineEnd(), {256, 192, 64, drain});
    dnc::ComPort port;
    dnc::PortSettings settings;
    settings.line.baud = baud;
    settings.softwareFlow = dnc::SoftwareFlow::Receive;
    std::string error;
    if (!port.open(std::make_unique<dnc::PosixLine>(pty.pcEnd()), settings, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    dnc::AsciiProtocol ascii(port);
    int result = 1;
    bool finished = false;
    QObject::connect(&ascii, &dnc::Protocol::protocolFinished, [&](int code) {
        result = code;
        finished = true;
    });
    ascii.startTransmit(file);
    port.clock().waitFor([&] { return finished; }, -1, true);
    control.waitConsumed(program.size(), 60000);
    std::remove(file.c_str());
    ::rmdir(folder);

    const bool intact = control.program() == program;
    const double seconds = control.busySeconds();
    const double fraction = program.size() / drain / seconds;
    std::printf("bytes %zu  drain %.0f chars/s  line %d baud  result %d  intact %s\n", program.size(), drain, baud,
                result, intact ? "yes" : "no");
    std::printf("seconds %.2f  xoffs %ld  overruns %ld  throughput %.3f of the drain rate\n", seconds,
                control.xoffsSent(), control.overruns(), fraction);
    return result == 0 && intact && control.overruns() == 0 ? 0 : 1;
}

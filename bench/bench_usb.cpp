// What the libusb backend costs under emulation, against the same link operations on the
// in-process simulated camera: one pipe access (discovery, open, claim, one transfer,
// release, close) and one whole 1280 x 1024 picture. Prints each as a ratio.
#include <benchmark/benchmark.h>
#include <umockdev.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "device/DeviceDiscovery.h"
#include "device/DeviceLink.h"
#include "device/MemoryBlock.h"
#include "device/SimulatedBackend.h"
#include "device/UsbBackend.h"
#include "support/EmulatedUsb.h"
#include "support/LinkRig.h"

namespace {

using namespace tavelo;

constexpr int kWidth = 1280;
constexpr int kHeight = 1024;
constexpr std::uint8_t kPacket[8] = {'Z', 'O', '+', ' ', ' ', 0, 0, 0};

test::EmulatedUsb* g_usb = nullptr;
std::unique_ptr<DeviceBackend> g_usbBackend;
std::unique_ptr<SimulatedBackend> g_simulated;

void PipeAccess(benchmark::State& state, DeviceBackend& backend) {
    for (auto _ : state) {
        auto pipe = OpenPipe(backend, PIPE_COMMAND);
        if (!pipe || !pipe->Write(kPacket, PIPE_TIMEOUT_MS).Complete(sizeof kPacket)) {
            state.SkipWithError("the command pipe failed");
            return;
        }
    }
}

void Picture(benchmark::State& state, DeviceBackend& backend) {
    test::LinkRig rig(backend, PIPE_TIMEOUT_MS);
    DeviceLink& link = rig.link;
    MemoryBlock block = MemoryBlock::Allocate(2u * kWidth * kHeight);
    for (auto _ : state) {
        rig.progress.positions.clear();
        if (link.SendCommand("TR0  ") != LinkResult::Done || link.WaitAck() != LinkResult::Done ||
            rig.ReadImage(block, kWidth, kHeight) != LinkResult::Done) {
            state.SkipWithError("the picture transfer failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * 2 * kWidth * kHeight);
}

void BM_PipeAccessUsb(benchmark::State& state) {
    PipeAccess(state, *g_usbBackend);
}
void BM_PipeAccessSimulated(benchmark::State& state) {
    PipeAccess(state, *g_simulated);
}
void BM_PictureUsb(benchmark::State& state) {
    Picture(state, *g_usbBackend);
}
void BM_PictureSimulated(benchmark::State& state) {
    Picture(state, *g_simulated);
}
BENCHMARK(BM_PipeAccessUsb)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PipeAccessSimulated)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PictureUsb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PictureSimulated)->Unit(benchmark::kMillisecond);

// Remembers every run's time per iteration, for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // With repetitions, the median stands for the benchmark.
            if (run.aggregate_name.empty() || run.aggregate_name == "median") {
                times[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatio(const char* what, const std::string& measured, const std::string& reference) {
        if (times.count(measured) && times.count(reference) && times[reference] > 0) {
            std::printf("%s: emulated USB / simulated = %.1f\n", what,
                        times[measured] / times[reference]);
        }
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    // umockdev redirects sysfs, udev and the device nodes only with its library preloaded.
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload == nullptr || std::strstr(preload, "libumockdev-preload") == nullptr) {
        std::string value = "libumockdev-preload.so.0";
        if (preload != nullptr && *preload != '\0') {
            value += std::string(":") + preload;
        }
        setenv("LD_PRELOAD", value.c_str(), 1);
        execv("/proc/self/exe", argv);
        std::perror("bench_usb: cannot restart under umockdev");
        return 1;
    }
    benchmark::Initialize(&argc, argv);

    auto usb = std::make_unique<test::EmulatedUsb>();
    g_usb = usb.get();
    if (!g_usb->IsEmulating()) {
        std::fputs("bench_usb: the umockdev testbed is not in effect\n", stderr);
        return 1;
    }
    g_usb->Plug({});
    g_usbBackend = CreateUsbBackend({});
    g_simulated = std::make_unique<SimulatedBackend>();
    if (!g_usbBackend) {
        std::fputs("bench_usb: libusb could not be started\n", stderr);
        return 1;
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("one pipe access", "BM_PipeAccessUsb", "BM_PipeAccessSimulated");
    reporter.PrintRatio("one 1280 x 1024 picture", "BM_PictureUsb", "BM_PictureSimulated");

    g_usbBackend.reset();
    g_simulated.reset();
    usb.reset();
    benchmark::Shutdown();
    return 0;
}

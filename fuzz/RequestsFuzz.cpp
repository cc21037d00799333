// The agent's command loop with its real services (input, tasks, files and
// clipboard) on the virtual handheld, fed arbitrary request bytes: every
// request parser must read what it is owed or fail, never read, write or
// reach past its bounds. Files live in a private root folder that is emptied
// now and then. A byte 0xEE stands for a silent read wait.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "CommandLoopInput.h"
#include "agent/CommandLoop.h"
#include "agent/Services.h"
#include "common/Log.h"

namespace {
struct Quiet : hd::log::Sink {
    void Write(bool, const char*) override {}
};

struct Device {
    Device() {
        hd::log::SetSink(&quiet);
        root = std::filesystem::temp_directory_path() /
               ("hd-fuzz-requests-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root);
        display = hd::platform::CreateDisplay("virtual");
        shell = hd::CreateVirtualShell(*display);
        const hd::DeviceContext context{"virtual", root.string(), *display, shell.get()};
        input = hd::CreateInputService(context);
        tasks = hd::CreateTaskService(context);
        files = hd::CreateFileService(context);
    }
    ~Device() { std::filesystem::remove_all(root); }
    void Empty() {
        std::error_code ignored;
        for (const auto& e : std::filesystem::directory_iterator(root, ignored))
            std::filesystem::remove_all(e.path(), ignored);
    }

    Quiet quiet;
    std::filesystem::path root;
    std::unique_ptr<hd::platform::Display> display;
    std::unique_ptr<hd::platform::Shell> shell;
    std::unique_ptr<hd::CommandHandler> input, tasks, files;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Device device;
    static unsigned runs = 0;
    if (++runs % 256 == 0) device.Empty();
    hd::fuzz::RunCommandLoop(data, size,
                             {device.input.get(), device.tasks.get(), device.files.get()});
    return 0;
}

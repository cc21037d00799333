#include "agent/tasks/TaskService.h"

#include "agent/Services.h"
#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "common/Log.h"

namespace hd {

TaskService::TaskService(std::unique_ptr<platform::Tasks> tasks,
                         std::unique_ptr<platform::SystemInfo> system)
    : m_tasks(std::move(tasks)), m_system(std::move(system)), m_taskList(*m_tasks, *m_system) {}

bool TaskService::Handle(uint8_t command, Channel& channel) {
    switch (command) {
        case HC_GETTASKLIST:
            return SendTaskList(channel);
        case HC_ACTIVATETASK: {
            uint8_t index;
            if (channel.ReadFully(&index, 1) != READ_DONE) {
                log::Forced("PI:Error reading task activation index");
                return false;
            }
            return m_taskList.ActivateTask(index);
        }
        case HC_KILLTASK: {
            uint8_t index;
            if (channel.ReadFully(&index, 1) != READ_DONE) {
                log::Forced("PI:Error reading task kill index");
                return false;
            }
            m_taskList.KillTask(index);
            return SendTaskList(channel);
        }
        case HC_GETTHRANDMODLISTS:
            return SendThreadsAndModules(channel);
        case HC_GETSYSINFO:
            if (m_taskList.SysInfo().List2Stream(channel)) return true;
            log::Forced("PI:Error loading sysinfo");
            WriteEmptyReply(channel);
            return false;
        default:
            return true;
    }
}

bool TaskService::SendTaskList(Channel& channel) {
    if (!m_taskList.Loadtsklist()) {
        log::Forced("PI:Error loading task list");
        WriteEmptyReply(channel);
        return false;
    }
    if (!m_taskList.tsklist2Stream(channel)) {
        log::Forced("PI:Error writing tlist to stream");
        return false;
    }
    return true;
}

bool TaskService::SendThreadsAndModules(Channel& channel) {
    uint8_t id[4];
    if (channel.ReadFully(id, 4) != READ_DONE) {
        log::Forced("PI:Error reading task index for HC_GETTHRANDMODLISTS cmd");
        return false;
    }
    // The four bytes the task record carried, in the same order.
    const uint32_t pid = get_le32(id);
    if (!m_taskList.Threads().LoadThreadList(pid)) {
        log::Forced("PI:Error loading thread list");
        WriteEmptyReply(channel);
        return false;
    }
    if (!m_taskList.Threads().List2Stream(channel)) {
        log::Forced("PI:Error writing thread list to stream");
        return false;
    }
    if (!m_taskList.Modules().LoadModuleList(pid)) {
        log::Forced("PI:Error loading module list");
        WriteEmptyReply(channel);
        return false;
    }
    if (!m_taskList.Modules().List2Stream(channel)) {
        log::Forced("PI:Error writing module list to stream");
        return false;
    }
    return true;
}

// A zero length word, which the desktop reports as an empty reply.
void TaskService::WriteEmptyReply(Channel& channel) {
    const uint8_t zero[4] = {0, 0, 0, 0};
    channel.WriteBytes(zero, 4);
}

std::unique_ptr<CommandHandler> CreateTaskService(const DeviceContext& device) {
    auto tasks = platform::CreateTasks(device.kind, device.shell);
    auto system = platform::CreateSystemInfo(device.kind, device.root, device.display.Width(),
                                             device.display.Height());
    if (!tasks || !system) return nullptr;
    return std::make_unique<TaskService>(std::move(tasks), std::move(system));
}

}  // namespace hd

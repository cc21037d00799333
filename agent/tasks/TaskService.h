// TaskService: the command loop's share of the process and system commands
// (codes 60-62, 65, 66): reads each command's argument bytes, drives the
// task list TaskList and writes the failure replies, logging under the loop's tag.
// Created at agent load with its device backends; used on the HdInvoke
// thread only. It never acts on an argument it could not read whole.
#pragma once

#include <memory>

#include "agent/CommandHandler.h"
#include "agent/platform/SystemInfo.h"
#include "agent/platform/Tasks.h"
#include "agent/tasks/TaskList.h"

namespace hd {

class TaskService : public CommandHandler {
public:
    TaskService(std::unique_ptr<platform::Tasks> tasks,
                std::unique_ptr<platform::SystemInfo> system);

    // False when the connection must end: an argument that could not be read
    // or a reply that could not be loaded or sent.
    bool Handle(uint8_t command, Channel& channel) override;

    TaskList& Tasks() { return m_taskList; }

private:
    bool SendTaskList(Channel& channel);
    bool SendThreadsAndModules(Channel& channel);
    static void WriteEmptyReply(Channel& channel);

    std::unique_ptr<platform::Tasks> m_tasks;
    std::unique_ptr<platform::SystemInfo> m_system;
    TaskList m_taskList;
};

}  // namespace hd

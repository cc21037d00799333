#include "desktop/tools/manager/RemoteModuleList.h"

namespace hd::tools {

bool RemoteModuleList::PullList() {
    return m_channel && m_list.Pull(*m_channel, true);
}

}  // namespace hd::tools

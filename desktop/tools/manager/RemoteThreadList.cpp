#include "desktop/tools/manager/RemoteThreadList.h"

namespace hd::tools {

bool RemoteThreadList::PullList() {
    return m_channel && m_list.Pull(*m_channel, true);
}

}  // namespace hd::tools

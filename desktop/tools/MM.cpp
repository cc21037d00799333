#include "desktop/tools/MM.h"

namespace hd::tools {

bool MM::PullList() {
    return m_channel && m_list.Pull(*m_channel, true);
}

}  // namespace hd::tools

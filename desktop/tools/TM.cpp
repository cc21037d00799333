#include "desktop/tools/TM.h"

namespace hd::tools {

bool TM::PullList() {
    return m_channel && m_list.Pull(*m_channel, true);
}

}  // namespace hd::tools

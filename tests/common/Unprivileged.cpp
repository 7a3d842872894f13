#include "Unprivileged.h"

#include <unistd.h>

namespace {
constexpr unsigned kNobody = 65534;
}

// Notes are written on a worker thread, so root's right to ignore permissions is dropped
// for the whole process: the C library applies an effective id to every thread. The group
// changes too, or root's group would still be granted what a folder allows its group.
Unprivileged::Unprivileged() : m_previousUser(geteuid()), m_previousGroup(getegid())
{
    if (setegid(kNobody) != 0 || seteuid(kNobody) != 0)
        return;
}

Unprivileged::~Unprivileged()
{
    if (seteuid(m_previousUser) != 0 || setegid(m_previousGroup) != 0)
        return;
}

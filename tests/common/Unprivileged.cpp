#include "Unprivileged.h"

#include <sys/fsuid.h>
#include <unistd.h>

namespace {
constexpr unsigned kNobody = 65534;
}

// Changing the file-system user id away from 0 drops root's right to ignore
// permissions for this thread; setting it back restores them. The group changes too,
// or root's group would still be granted what a folder allows its group.
Unprivileged::Unprivileged()
    : m_previousUser(static_cast<unsigned>(setfsuid(kNobody))),
      m_previousGroup(static_cast<unsigned>(setfsgid(kNobody)))
{}

Unprivileged::~Unprivileged()
{
    setfsgid(m_previousGroup);
    setfsuid(m_previousUser);
}

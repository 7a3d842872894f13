#pragma once

// While alive, file access in this process is checked as an unprivileged user, so a test
// run as root still meets a read-only folder as a user would.
class Unprivileged final {
public:
    Unprivileged();
    ~Unprivileged();
    Unprivileged(const Unprivileged &) = delete;
    Unprivileged &operator=(const Unprivileged &) = delete;

private:
    unsigned m_previousUser;
    unsigned m_previousGroup;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/fsuid.h>
#include <unistd.h>

namespace fixtures {

/// Makes file permissions bind the calling thread while it lives, also when
/// the tests run as root (as in containers), so that a test can meet a
/// read-only file as a user would. For root it switches the thread's file
/// system user and group to nobody (65534), which drops root's right to write
/// any file; for other users it does nothing. Restores both when dropped.
/// Files the thread creates meanwhile belong to nobody.
class ScopedOrdinaryUser {
public:
    ScopedOrdinaryUser() : wasRoot_(::geteuid() == 0) {
        if (wasRoot_) {
            ::setfsgid(kNobody);
            ::setfsuid(kNobody);
        }
    }

    ~ScopedOrdinaryUser() {
        if (wasRoot_) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }

    ScopedOrdinaryUser(const ScopedOrdinaryUser&) = delete;
    ScopedOrdinaryUser& operator=(const ScopedOrdinaryUser&) = delete;

private:
    static constexpr unsigned kNobody = 65534;
    bool wasRoot_;
};

}  // namespace fixtures

#pragma once

// An LDAP server of the tests' own that misbehaves on purpose: a thread that
// accepts on a free loopback port and answers with hand-made messages. It
// refuses StartTLS, names o=ACME as its one naming context, and answers
// every other search as a one-level search of its base, the way its
// Misbehaviour says. A server that would keep a client waiting forever
// closes the connection after a few seconds, so that no test hangs.

#include <atomic>
#include <string>
#include <thread>

namespace testing_support {

enum class Misbehaviour {
    Silent,       // accepts and never answers
    Stall,        // sends one child and the header of another, then nothing
    RepeatCookie, // every page one child and the same cookie
    EmptyPages,   // every page no child but a fresh cookie
    Strays,       // a child, an entry elsewhere, the base itself, a child under the base in other case
    Huge,         // one child carrying a 17 MiB attribute value
};

class LdapResponder {
public:
    explicit LdapResponder(Misbehaviour how);
    ~LdapResponder();
    LdapResponder(const LdapResponder&) = delete;
    LdapResponder& operator=(const LdapResponder&) = delete;

    std::string uri() const { return "ldap://127.0.0.1:" + std::to_string(port_); }
    // Of the last search below the root: how it asked for aliases to be
    // dereferenced, and its time limit in seconds.
    int deref() const { return deref_; }
    int timeLimit() const { return timeLimit_; }

private:
    void serve();
    void answer(int connection);
    bool answerSearch(int connection, int id, const std::string& base, int& page);

    Misbehaviour how_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> deref_{-1};
    std::atomic<int> timeLimit_{-1};
    std::thread thread_;
};

} // namespace testing_support

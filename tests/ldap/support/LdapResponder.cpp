#include "ldap/support/LdapResponder.h"

#include <lber.h>
#include <ldap.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kGiveUp = std::chrono::seconds(3);
constexpr int kMaxPages = 50; // then even a circling server ends its search
constexpr std::size_t kHugeValue = 17u << 20;

// Sends one message, or only its tag and length (two bytes below 128 bytes),
// and frees it. A client that has gone is no failure here.
void send(int connection, BerElement* ber, bool whole = true) {
    berval* bytes = nullptr;
    if (ber_flatten(ber, &bytes) == 0) {
        const ber_len_t size = whole ? bytes->bv_len : 2;
        for (ber_len_t sent = 0; sent < size;) {
            const ssize_t n = ::send(connection, bytes->bv_val + sent, size - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<ber_len_t>(n);
        }
        ber_bvfree(bytes);
    }
    ber_free(ber, 1);
}

void sendEntry(int connection, int id, const std::string& dn, const char* type = "objectClass",
               const std::string& value = "person", bool whole = true) {
    BerElement* ber = ber_alloc_t(LBER_USE_DER);
    ber_printf(ber, "{it{s{{s[o]}}}}", id, LDAP_RES_SEARCH_ENTRY, dn.c_str(), type, value.data(), value.size());
    send(connection, ber, whole);
}

// The end of a search or the answer to an extended request; with a cookie,
// the paged-results control that asks for the next page.
void sendDone(int connection, int id, ber_tag_t type, int code, const std::string& cookie = "") {
    BerElement* ber = ber_alloc_t(LBER_USE_DER);
    ber_printf(ber, "{it{ess}", id, type, code, "", "");
    if (!cookie.empty()) {
        BerElement* control = ber_alloc_t(LBER_USE_DER);
        berval value{};
        ber_printf(control, "{io}", 0, cookie.data(), cookie.size());
        ber_flatten2(control, &value, 0);
        ber_printf(ber, "t{{sO}}", LDAP_TAG_CONTROLS, LDAP_CONTROL_PAGEDRESULTS, &value);
        ber_free(control, 1);
    }
    ber_printf(ber, "}");
    send(connection, ber);
}

} // namespace

LdapResponder::LdapResponder(Misbehaviour how) : how_(how) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof address;
    auto* at = reinterpret_cast<sockaddr*>(&address);
    if (bind(listener_, at, size) == 0 && listen(listener_, 4) == 0 && getsockname(listener_, at, &size) == 0)
        port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

LdapResponder::~LdapResponder() {
    stop_ = true;
    thread_.join();
    close(listener_);
}

void LdapResponder::serve() {
    while (!stop_) {
        pollfd ready{listener_, POLLIN, 0};
        if (poll(&ready, 1, 20) == 1) {
            const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection >= 0)
                answer(connection);
        }
    }
}

// Answers one client until it unbinds or goes, or has waited long enough.
void LdapResponder::answer(int connection) {
    Sockbuf* in = ber_sockbuf_alloc(); // closes the connection when freed
    ber_sockbuf_add_io(in, &ber_sockbuf_io_fd, LBER_SBIOD_LEVEL_PROVIDER, &connection);
    int page = 0;
    auto waitingSince = Clock::time_point::max();
    while (!stop_ && Clock::now() - waitingSince < kGiveUp) {
        pollfd ready{connection, POLLIN, 0};
        if (poll(&ready, 1, 20) != 1)
            continue;
        BerElement* request = ber_alloc_t(0);
        ber_len_t length = 0;
        ber_int_t id = 0;
        berval base{};
        ber_int_t scope = 0, deref = 0, sizeLimit = 0, timeLimit = 0;
        const bool read =
            ber_get_next(in, &length, request) == LDAP_TAG_MESSAGE && ber_scanf(request, "i", &id) != LBER_ERROR;
        const ber_tag_t op = read ? ber_peek_tag(request, &length) : LBER_ERROR;
        const bool search = op == LDAP_REQ_SEARCH &&
                            ber_scanf(request, "{meeii", &base, &scope, &deref, &sizeLimit, &timeLimit) != LBER_ERROR;
        bool answered = true;
        if (how_ == Misbehaviour::Silent) {
            answered = op == LDAP_REQ_UNBIND;
        } else if (op == LDAP_REQ_EXTENDED) {
            sendDone(connection, id, LDAP_RES_EXTENDED, LDAP_PROTOCOL_ERROR);
        } else if (search && base.bv_len == 0) {
            sendEntry(connection, id, "", "namingContexts", "o=ACME");
            sendDone(connection, id, LDAP_RES_SEARCH_RESULT, LDAP_SUCCESS);
        } else if (search) {
            deref_ = deref;
            timeLimit_ = timeLimit;
            answered = answerSearch(connection, id, std::string(base.bv_val, base.bv_len), page);
        }
        ber_free(request, 1);
        if (!read || op == LDAP_REQ_UNBIND)
            break;
        if (!answered)
            waitingSince = std::min(waitingSince, Clock::now());
    }
    ber_sockbuf_free(in);
}

// False when it leaves the client waiting.
bool LdapResponder::answerSearch(int connection, int id, const std::string& base, int& page) {
    const auto done = [&](const std::string& cookie = "") {
        sendDone(connection, id, LDAP_RES_SEARCH_RESULT, LDAP_SUCCESS, ++page < kMaxPages ? cookie : "");
    };
    switch (how_) {
    case Misbehaviour::Stall:
        sendEntry(connection, id, "cn=A," + base);
        sendEntry(connection, id, "cn=B," + base, "objectClass", "person", false);
        return false;
    case Misbehaviour::RepeatCookie:
        sendEntry(connection, id, "cn=A" + std::to_string(page) + "," + base);
        done("same");
        break;
    case Misbehaviour::EmptyPages:
        done(std::to_string(page));
        break;
    case Misbehaviour::Strays: {
        std::string upper = "CN=B," + base;
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        for (const std::string& dn : {"cn=A," + base, std::string("cn=A,o=ELSEWHERE"), base, upper})
            sendEntry(connection, id, dn);
        done();
        break;
    }
    case Misbehaviour::Huge:
        sendEntry(connection, id, "cn=A," + base, "description", std::string(kHugeValue, 'x'));
        done();
        break;
    case Misbehaviour::Silent:
        return false;
    }
    return true;
}

} // namespace testing_support

#include "netware/ldap/Search.h"

#include "netware/Charset.h"
#include "netware/ldap/ErrorCodes.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <unordered_set>

namespace nwldap {
namespace {

using Clock = std::chrono::steady_clock;

// The longest a listing waits on the directory before it asks again whether
// it has been cancelled.
constexpr timeval kWait{0, 50000};

// What a listing needs of each entry besides its DN: its classes, its
// uidNumber, and what names its account where it has no uidNumber.
std::vector<char*> listedAttributes(const std::string& accountAttribute) {
    static char objectClass[] = "objectClass";
    static char uidNumber[] = "uidNumber";
    static char uid[] = "uid";
    static char samAccountName[] = "sAMAccountName";
    if (!accountAttribute.empty())
        return {objectClass, uidNumber, const_cast<char*>(accountAttribute.c_str()), nullptr};
    return {objectClass, uidNumber, uid, samAccountName, nullptr};
}

std::string text(const berval& value) {
    return {value.bv_val, value.bv_len};
}

std::vector<std::string> valuesOf(LDAP* ld, LDAPMessage* entry, const char* attribute) {
    std::vector<std::string> out;
    berval** values = ldap_get_values_len(ld, entry, attribute);
    if (values == nullptr)
        return out;
    for (berval** value = values; *value != nullptr; ++value)
        out.push_back(text(**value));
    ldap_value_free_len(values);
    return out;
}

// Whether two naming values are the same one, ignoring case as the naming
// attributes do: in the 8-bit set where both values fit it, else byte for
// byte.
bool sameValue(const berval& a, const berval& b) {
    const std::string x = text(a);
    const std::string y = text(b);
    if (x == y)
        return true;
    const std::string narrowX = nw::utf8ToCp1252(x);
    const std::string narrowY = nw::utf8ToCp1252(y);
    return nw::cp1252ToUtf8(narrowX) == x && nw::cp1252ToUtf8(narrowY) == y && nw::equalFoldedCp1252(narrowX, narrowY);
}

bool sameRdn(LDAPRDN a, LDAPRDN b) {
    for (; *a != nullptr && *b != nullptr; ++a, ++b) {
        if (!nw::sameType(text((*a)->la_attr), text((*b)->la_attr)) || !sameValue((*a)->la_value, (*b)->la_value))
            return false;
    }
    return *a == nullptr && *b == nullptr;
}

// Whether `dn` names a child of `base`: one component, then those of base.
bool isChildOf(LDAPDN dn, LDAPDN base) {
    if (dn == nullptr || dn[0] == nullptr)
        return false;
    LDAPDN rest = dn + 1;
    for (; base != nullptr && *base != nullptr && *rest != nullptr; ++rest, ++base) {
        if (!sameRdn(*rest, *base))
            return false;
    }
    return *rest == nullptr && (base == nullptr || *base == nullptr);
}

// One listing under way.
class PagedSearch {
public:
    PagedSearch(LDAP* ld, const ChildSearch& search, std::vector<std::unique_ptr<Entry>>& out, std::size_t& strays)
        : ld_(ld), search_(search), out_(out), strays_(strays) {}
    ~PagedSearch() {
        if (base_ != nullptr)
            ldap_dnfree(base_);
    }
    PagedSearch(const PagedSearch&) = delete;
    PagedSearch& operator=(const PagedSearch&) = delete;

    int run();

private:
    int page(bool paging);
    int await(int id);
    int failure(int error) const;
    std::unique_ptr<Entry> childOf(LDAPMessage* message) const;
    std::string accountOf(LDAPMessage* message, const std::string& namingValue) const;
    int keep(LDAPMessage* message);
    int end(LDAPMessage* result);

    LDAP* ld_;
    const ChildSearch& search_;
    std::vector<std::unique_ptr<Entry>>& out_;
    std::size_t& strays_;
    LDAPDN base_ = nullptr;
    std::string cookie_; // of the next page; empty after the last
    // Of every cookie so far, a hash: a collision would end a listing with
    // a code, never read it wrong, and a server's cookies may be large.
    std::unordered_set<std::size_t> cookies_;
};

int PagedSearch::run() {
    if (ldap_str2dn(search_.baseDn.c_str(), &base_, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS)
        return LDAP_INVALID_DN_SYNTAX;
    bool paging = true;
    for (bool first = true;; first = false) {
        const std::size_t before = out_.size();
        const int rc = page(paging);
        if (first && paging &&
            (rc == LDAP_UNAVAILABLE_CRITICAL_EXTENSION || rc == LDAP_UNWILLING_TO_PERFORM ||
             rc == LDAP_ADMINLIMIT_EXCEEDED)) {
            // A server that refuses the paging request outright (slapd with
            // paging disabled says "administrative limit exceeded"): once
            // more without it.
            paging = false;
            out_.clear();
            strays_ = 0;
            continue;
        }
        if (rc != LDAP_SUCCESS || cookie_.empty() || !paging) // a cookie no page was asked for means nothing
            return rc;
        // A server that hands out a page again, or pages with nothing in
        // them, would be read for ever.
        if (out_.size() == before || !cookies_.insert(std::hash<std::string>{}(cookie_)).second)
            return kResultPagingLoop;
    }
}

// One search of the listing: the page after the cookie when paging, else all.
int PagedSearch::page(bool paging) {
    LDAPControl* control = nullptr;
    if (paging) {
        berval value{static_cast<ber_len_t>(cookie_.size()), cookie_.data()};
        // Not critical: a server that does not page answers all at once.
        const int rc =
            ldap_create_page_control(ld_, search_.limits.pageSize, cookie_.empty() ? nullptr : &value, 0, &control);
        if (rc != LDAP_SUCCESS)
            return rc;
    }
    std::array<LDAPControl*, 2> controls = {control, nullptr};
    auto attributes = listedAttributes(search_.accountAttribute);
    timeval timeLimit{search_.limits.timeoutSeconds, 0}; // asked of the server
    int id = 0;
    const int rc =
        ldap_search_ext(ld_, search_.baseDn.c_str(), LDAP_SCOPE_ONELEVEL, "(objectClass=*)", attributes.data(), 0,
                        paging ? controls.data() : nullptr, nullptr, &timeLimit, LDAP_NO_LIMIT, &id);
    if (control != nullptr)
        ldap_control_free(control);
    cookie_.clear();
    return rc == LDAP_SUCCESS ? await(id) : rc;
}

// Takes the page's messages as they come, up to its end, its time limit or
// a cancel.
int PagedSearch::await(int id) {
    const auto deadline = Clock::now() + std::chrono::seconds(search_.limits.timeoutSeconds);
    for (;;) {
        const bool cancelled = search_.cancelled && search_.cancelled();
        if (cancelled || Clock::now() >= deadline) {
            ldap_abandon_ext(ld_, id, nullptr, nullptr);
            return cancelled ? LDAP_USER_CANCELLED : LDAP_TIMEOUT;
        }
        timeval wait = kWait;
        LDAPMessage* message = nullptr;
        errno = 0;
        const int type = ldap_result(ld_, id, LDAP_MSG_ONE, &wait, &message);
        if (type < 0)
            return failure(errno);
        const bool ended = type == LDAP_RES_SEARCH_RESULT;
        const int rc = ended ? end(message) : type == LDAP_RES_SEARCH_ENTRY ? keep(message) : LDAP_SUCCESS;
        ldap_msgfree(message);
        if (ended)
            return rc;
        if (rc != LDAP_SUCCESS) {
            ldap_abandon_ext(ld_, id, nullptr, nullptr);
            return rc;
        }
        if (search_.progress)
            search_.progress(out_.size());
    }
}

int PagedSearch::failure(int error) const {
    // The library drops a connection whose next message is larger than the
    // connection takes, and says only that the server has gone.
    if (error == ERANGE)
        return kResultMessageTooLarge;
    int rc = LDAP_OTHER;
    ldap_get_option(ld_, LDAP_OPT_RESULT_CODE, &rc);
    return rc;
}

// The entry of one search result; null when its DN cannot be read or names
// no child of the base.
std::unique_ptr<Entry> PagedSearch::childOf(LDAPMessage* message) const {
    char* dn = ldap_get_dn(ld_, message);
    LDAPDN parsed = nullptr;
    std::unique_ptr<Entry> entry;
    if (dn != nullptr && ldap_str2dn(dn, &parsed, LDAP_DN_FORMAT_LDAPV3) == LDAP_SUCCESS && isChildOf(parsed, base_)) {
        // Of a multi-valued RDN (cn=A+uid=b) the first value names the entry.
        const LDAPAVA* first = parsed[0][0];
        entry = entryFor({text(first->la_attr), text(first->la_value)});
        entry->dn = dn;
    }
    if (parsed != nullptr)
        ldap_dnfree(parsed);
    ldap_memfree(dn);
    if (entry != nullptr) {
        classify(valuesOf(ld_, message, "objectClass"), *entry);
        const std::vector<std::string> uid = valuesOf(ld_, message, "uidNumber");
        entry->objectId = uid.empty() ? kNoOwner : objectIdFrom(uid.front());
        if (entry->objectId == kNoOwner)
            entry->account = accountOf(message, entry->value);
    }
    return entry;
}

// The account name of an entry without a uidNumber: the attribute the
// settings name, else uid, else sAMAccountName, else its naming value.
std::string PagedSearch::accountOf(LDAPMessage* message, const std::string& namingValue) const {
    const std::vector<std::string> names = search_.accountAttribute.empty()
                                               ? std::vector<std::string>{"uid", "sAMAccountName"}
                                               : std::vector<std::string>{search_.accountAttribute};
    for (const std::string& name : names) {
        if (const std::vector<std::string> values = valuesOf(ld_, message, name.c_str()); !values.empty())
            return values.front();
    }
    return namingValue;
}

int PagedSearch::keep(LDAPMessage* message) {
    std::unique_ptr<Entry> entry = childOf(message);
    if (entry == nullptr) {
        ++strays_;
        return LDAP_SUCCESS;
    }
    if (out_.size() >= static_cast<std::size_t>(search_.limits.maxEntries))
        return kResultTooManyEntries;
    out_.push_back(std::move(entry));
    return LDAP_SUCCESS;
}

// The page's result, and the cookie of the next page: none after the last
// page, or from a server that does not page.
int PagedSearch::end(LDAPMessage* result) {
    int code = LDAP_SUCCESS;
    LDAPControl** controls = nullptr;
    const int rc = ldap_parse_result(ld_, result, &code, nullptr, nullptr, nullptr, &controls, 0);
    if (rc != LDAP_SUCCESS)
        return rc;
    if (LDAPControl* page = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, controls, nullptr)) {
        ber_int_t estimate = 0;
        berval value{0, nullptr};
        if (ldap_parse_pageresponse_control(ld_, page, &estimate, &value) == LDAP_SUCCESS && value.bv_val != nullptr) {
            cookie_ = text(value);
            ber_memfree(value.bv_val);
        }
    }
    ldap_controls_free(controls);
    // No result the protocol knows is negative; taken as it stands, one
    // could pass for the library's own (a cancel, a timeout).
    return code < 0 ? LDAP_PROTOCOL_ERROR : code;
}

} // namespace

int readNamingContexts(LDAP* ld, std::vector<NamingContext>& out) {
    static char namingContexts[] = "namingContexts";
    std::array<char*, 2> attributes = {namingContexts, nullptr};
    LDAPMessage* result = nullptr;
    const int rc = ldap_search_ext_s(ld, "", LDAP_SCOPE_BASE, "(objectClass=*)", attributes.data(), 0, nullptr, nullptr,
                                     nullptr, LDAP_NO_LIMIT, &result);
    if (rc == LDAP_SUCCESS) {
        LDAPMessage* root = ldap_first_entry(ld, result);
        for (const std::string& dn :
             root == nullptr ? std::vector<std::string>{} : valuesOf(ld, root, namingContexts)) {
            NamingContext context{dn, {}};
            if (!dn.empty() && splitDn(dn, context.rdns))
                out.push_back(std::move(context));
        }
    }
    ldap_msgfree(result);
    return rc;
}

bool splitDn(const std::string& dn, std::vector<Rdn>& out) {
    LDAPDN parsed = nullptr;
    if (ldap_str2dn(dn.c_str(), &parsed, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS)
        return false;
    std::vector<Rdn> rdns;
    for (LDAPRDN* rdn = parsed; rdn != nullptr && *rdn != nullptr; ++rdn)
        rdns.push_back({text((*rdn)[0]->la_attr), text((*rdn)[0]->la_value)});
    ldap_dnfree(parsed);
    out = std::move(rdns);
    return !out.empty();
}

int searchChildren(LDAP* ld, const ChildSearch& search, std::vector<std::unique_ptr<Entry>>& out, std::size_t& strays) {
    return PagedSearch(ld, search, out, strays).run();
}

} // namespace nwldap

#include "netware/ldap/Search.h"

#include <array>

namespace nwldap {
namespace {

// What a listing needs of each entry besides its DN.
std::array<char*, 3> listedAttributes() {
    static char objectClass[] = "objectClass";
    static char uidNumber[] = "uidNumber";
    return {objectClass, uidNumber, nullptr};
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

// The entry of one search result; null when its DN cannot be read.
std::unique_ptr<Entry> entryOf(LDAP* ld, LDAPMessage* message) {
    char* dn = ldap_get_dn(ld, message);
    if (dn == nullptr)
        return nullptr;
    LDAPRDN rdn = nullptr;
    char* rest = nullptr;
    std::unique_ptr<Entry> entry;
    if (ldap_str2rdn(dn, &rdn, &rest, LDAP_DN_FORMAT_LDAPV3) == LDAP_SUCCESS && rdn != nullptr && rdn[0] != nullptr) {
        // Of a multi-valued RDN (cn=A+uid=b) the first value names the entry.
        entry = entryFor({text(rdn[0]->la_attr), text(rdn[0]->la_value)});
        entry->dn = dn;
    }
    ldap_rdnfree(rdn);
    ldap_memfree(dn);
    if (entry == nullptr)
        return nullptr;
    classify(valuesOf(ld, message, "objectClass"), *entry);
    const std::vector<std::string> uid = valuesOf(ld, message, "uidNumber");
    entry->objectId = uid.empty() ? kNoOwner : objectIdFrom(uid.front());
    return entry;
}

void collectEntries(LDAP* ld, LDAPMessage* result, std::vector<std::unique_ptr<Entry>>& out) {
    for (LDAPMessage* message = ldap_first_entry(ld, result); message != nullptr;
         message = ldap_next_entry(ld, message)) {
        if (auto entry = entryOf(ld, message))
            out.push_back(std::move(entry));
    }
}

// The cookie of the next page; empty when the server sent none (the last
// page, or a server that does not page).
int nextCookie(LDAP* ld, LDAPMessage* result, std::string& cookie) {
    cookie.clear();
    int code = LDAP_SUCCESS;
    LDAPControl** controls = nullptr;
    const int rc = ldap_parse_result(ld, result, &code, nullptr, nullptr, nullptr, &controls, 0);
    if (rc != LDAP_SUCCESS)
        return rc;
    if (LDAPControl* page = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, controls, nullptr)) {
        ber_int_t estimate = 0;
        berval value{0, nullptr};
        if (ldap_parse_pageresponse_control(ld, page, &estimate, &value) == LDAP_SUCCESS && value.bv_val != nullptr) {
            cookie = text(value);
            ber_memfree(value.bv_val);
        }
    }
    ldap_controls_free(controls);
    return code;
}

// One search of the listing: the page after `cookie` when paging, else all.
int searchOnce(LDAP* ld, const std::string& baseDn, int pageSize, bool paging, std::string& cookie,
               std::vector<std::unique_ptr<Entry>>& out) {
    LDAPControl* page = nullptr;
    if (paging) {
        berval value{static_cast<ber_len_t>(cookie.size()), cookie.data()};
        // Not critical: a server that does not page answers all at once.
        const int rc = ldap_create_page_control(ld, pageSize, cookie.empty() ? nullptr : &value, 0, &page);
        if (rc != LDAP_SUCCESS)
            return rc;
    }
    std::array<LDAPControl*, 2> controls = {page, nullptr};
    auto attributes = listedAttributes();
    LDAPMessage* result = nullptr;
    int rc = ldap_search_ext_s(ld, baseDn.c_str(), LDAP_SCOPE_ONELEVEL, "(objectClass=*)", attributes.data(), 0,
                               paging ? controls.data() : nullptr, nullptr, nullptr, LDAP_NO_LIMIT, &result);
    if (page != nullptr)
        ldap_control_free(page);
    if (result != nullptr) {
        collectEntries(ld, result, out);
        const int parsed = nextCookie(ld, result, cookie);
        rc = rc == LDAP_SUCCESS ? parsed : rc;
        ldap_msgfree(result);
    } else {
        cookie.clear();
    }
    return rc;
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

int searchChildren(LDAP* ld, const std::string& baseDn, int pageSize, std::vector<std::unique_ptr<Entry>>& out) {
    std::string cookie;
    bool paging = true;
    for (bool first = true;; first = false) {
        const int rc = searchOnce(ld, baseDn, pageSize, paging, cookie, out);
        if (first && paging &&
            (rc == LDAP_UNAVAILABLE_CRITICAL_EXTENSION || rc == LDAP_UNWILLING_TO_PERFORM ||
             rc == LDAP_ADMINLIMIT_EXCEEDED)) {
            // A server that refuses the paging request outright (slapd with
            // paging disabled says "administrative limit exceeded"): once
            // more without it.
            paging = false;
            out.clear();
            continue;
        }
        if (rc != LDAP_SUCCESS || cookie.empty())
            return rc;
    }
}

} // namespace nwldap

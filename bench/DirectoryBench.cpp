// The directory client at scale, against its floor in the same run: a
// listing by volume of a unit of 10,000 entries in a slapd of its own,
// against the same searches made with bare library calls in a loop. (The
// scan of a volume is ScanBench.cpp's.)

#include "bench/Fixtures.h"
#include "bench/Suite.h"
#include "ldap/support/LocalSlapd.h"
#include "netware/ldap/LdapClient.h"
#include "netware/ldap/Session.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>
#include <utility>

namespace bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A folder removed when the suite ends.
struct Scratch {
    fs::path path;
    explicit Scratch(const std::string& name) : path(fs::temp_directory_path() / name) { fs::create_directories(path); }
    ~Scratch() { fs::remove_all(path); }
};

struct Directory {
    testing_support::LocalSlapd* slapd;
    Scratch* volume; // empty: the listing's disk queries cost their scan and nothing more
};

// A slapd holding ou=BIG,o=ACME with `entries` users, once per size.
Directory& directoryOf(std::uint32_t entries) {
    static std::map<std::uint32_t, Directory> made;
    if (const auto it = made.find(entries); it != made.end())
        return it->second;
    Scratch& scratch = kept(std::make_unique<Scratch>("vorlane-bench-ldif-" + std::to_string(getpid())));
    std::ofstream ldif(scratch.path / "big.ldif");
    ldif << "dn: o=ACME\nobjectClass: organization\no: ACME\n\n"
         << "dn: ou=BIG,o=ACME\nobjectClass: organizationalUnit\nou: BIG\n\n";
    for (std::uint32_t i = 0; i < entries; ++i)
        ldif << "dn: cn=U" << i << ",ou=BIG,o=ACME\nobjectClass: account\nobjectClass: posixAccount\ncn: U" << i
             << "\nuid: u" << i << "\nuidNumber: " << 100000 + i << "\ngidNumber: 100\nhomeDirectory: /h\n\n";
    ldif.close();
    const std::string data = VORLANE_LDAP_DATA;
    auto& slapd = kept(std::make_unique<testing_support::LocalSlapd>(
        testing_support::SlapdSetup{data, {{"o=ACME", (scratch.path / "big.ldif").string()}}, ""}));
    if (!slapd.error().empty())
        throw std::runtime_error(slapd.error());
    auto& volume = kept(std::make_unique<Scratch>("vorlane-bench-volume-" + std::to_string(getpid())));
    return made[entries] = Directory{&slapd, &volume};
}

ToolWindow& windowOf(std::uint32_t entries) {
    static std::map<std::uint32_t, ToolWindow*> windows;
    ToolWindow*& window = windows[entries];
    if (window == nullptr) {
        nw::Client& client = kept(directoryClient(entries, directoryOf(entries).volume->path.string()));
        window = &kept(std::make_unique<ToolWindow>(client));
        window->setContext(QStringLiteral("BIG.ACME"));
        window->selectVolume(QString::fromLatin1(kVolumeEntry));
    }
    return *window;
}

template <typename Work> void timed(benchmark::State& state, Work work) {
    for (auto _ : state) {
        const auto begin = Clock::now();
        work();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - begin).count());
    }
}

// Both sides of the listing are timed by the wall clock: most of the time
// is the server's, which the thread's CPU time would leave out.
void toolListing(benchmark::State& state, std::uint32_t entries) {
    ToolWindow& tool = windowOf(entries);
    timed(state, [&tool] { tool.listByVolume(); });
    if (!tool.messages().empty())
        state.SkipWithError(("the listing showed a message: " + tool.messages().back()).c_str());
}

// One paged one-level search with the library alone, as ldapsearch makes it,
// asking for the attributes the listing asks for (its account names too):
// each entry's DN and values read, nothing kept. Returns the values read.
std::size_t floorSearch(LDAP* ld, const char* base) {
    static char objectClass[] = "objectClass";
    static char uidNumber[] = "uidNumber";
    static char uid[] = "uid";
    static char samAccountName[] = "sAMAccountName";
    std::array<char*, 5> attributes = {objectClass, uidNumber, uid, samAccountName, nullptr};
    std::size_t found = 0;
    berval* cookie = nullptr;
    do {
        LDAPControl* page = nullptr;
        ldap_create_page_control(ld, nwldap::kDefaultPageSize, cookie, 0, &page);
        std::array<LDAPControl*, 2> controls = {page, nullptr};
        LDAPMessage* result = nullptr;
        ldap_search_ext_s(ld, base, LDAP_SCOPE_ONELEVEL, "(objectClass=*)", attributes.data(), 0, controls.data(),
                          nullptr, nullptr, LDAP_NO_LIMIT, &result);
        ldap_control_free(page);
        for (LDAPMessage* entry = ldap_first_entry(ld, result); entry != nullptr; entry = ldap_next_entry(ld, entry)) {
            ldap_memfree(ldap_get_dn(ld, entry));
            for (char* attribute : {objectClass, uidNumber, uid, samAccountName}) {
                berval** values = ldap_get_values_len(ld, entry, attribute);
                found += static_cast<std::size_t>(ldap_count_values_len(values));
                ldap_value_free_len(values);
            }
        }
        LDAPControl** returned = nullptr;
        ldap_parse_result(ld, result, nullptr, nullptr, nullptr, nullptr, &returned, 1);
        ber_bvfree(std::exchange(cookie, nullptr));
        berval value{0, nullptr};
        ber_int_t estimate = 0;
        LDAPControl* response = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, returned, nullptr);
        if (response != nullptr && ldap_parse_pageresponse_control(ld, response, &estimate, &value) == LDAP_SUCCESS &&
            value.bv_len > 0)
            cookie = ber_bvdup(&value);
        ber_memfree(value.bv_val);
        ldap_controls_free(returned);
    } while (cookie != nullptr);
    return found;
}

// The searches the listing makes (the organization's children, to find the
// unit, then the unit's), on a connection bound the same way.
void floorListing(benchmark::State& state, std::uint32_t entries) {
    LDAP* ld = nullptr;
    ldap_initialize(&ld, directoryOf(entries).slapd->ldapiUri().c_str());
    const int version = LDAP_VERSION3;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    static char nothing[] = "";
    berval none{0, nothing};
    ldap_sasl_bind_s(ld, nullptr, "EXTERNAL", &none, nullptr, nullptr, nullptr);
    std::size_t found = 0;
    timed(state, [ld, &found] {
        for (const char* base : {"o=ACME", "ou=BIG,o=ACME"})
            found += floorSearch(ld, base);
    });
    ldap_unbind_ext_s(ld, nullptr, nullptr);
    if (found == 0)
        state.SkipWithError("the searches found nothing");
}

} // namespace

std::vector<Pair> directoryPairs(const SuiteOptions& options) {
    const std::uint32_t entries = options.smoke ? 1000 : 10000;
    return {{"DirectoryListing", std::to_string(entries),
             [entries](benchmark::State& state) { toolListing(state, entries); },
             [entries](benchmark::State& state) { floorListing(state, entries); }, true}};
}

std::unique_ptr<nw::Client> directoryClient(std::uint32_t entries, const std::string& volume) {
    nwldap::Settings settings;
    settings.uri = directoryOf(entries).slapd->ldapiUri();
    settings.bind = nwldap::BindKind::External;
    auto session = nwldap::Session::open(settings);
    if (!session)
        throw std::runtime_error(session.error());
    return std::make_unique<nwldap::LdapClient>(std::move(*session), std::vector<nwldap::Volume>{{"SYS", volume}},
                                                kServer, "");
}

} // namespace bench

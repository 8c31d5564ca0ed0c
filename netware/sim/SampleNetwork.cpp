#include "netware/sim/SampleNetwork.h"

namespace nwsim {
namespace {

// What the sample is meant to let a user (and a tester) see:
//  - FS1 and FS10 share a prefix, so a listing by server must not mix them;
//  - FS10 has volumes 0, 1 and 3: the volume scan stops at the gap, so the
//    space on ARCHIVE never shows;
//  - objects on several volumes of one server (JSMITH) and on several servers
//    (SALESMGR), equal figures (JSMITH and MJONES on VOL1, the EAST users),
//    an explicit figure of 0 (PKLEIN) and many objects that use nothing;
//  - names with letters beyond ASCII (JOSÉ, MÜLLER, MÜNCHEN) and one longer
//    than 48 characters;
//  - containers three levels below the organization (BOSTON, SEATTLE).
constexpr std::string_view kSample = R"json({
  "servers": [
    { "name": "FS1",  "volumes": [ { "number": 0, "name": "SYS" }, { "number": 1, "name": "VOL1" },
                                   { "number": 2, "name": "APPS" } ] },
    { "name": "FS10", "volumes": [ { "number": 0, "name": "SYS" }, { "number": 1, "name": "DATA" },
                                   { "number": 3, "name": "ARCHIVE" } ] },
    { "name": "FS2",  "volumes": [ { "number": 0, "name": "SYS" }, { "number": 1, "name": "USERS" } ] }
  ],
  "defaultServer": "FS1",
  "defaultContext": "SALES.ACME",
  "tree": [
    { "name": "ACME", "class": "Organization", "children": [
      { "name": "Admin", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 5120 },
                                                     { "server": "FS10", "volume": 0, "inUse": 310 },
                                                     { "server": "FS2", "volume": 0, "inUse": 120 } ] },
      { "name": "FS1", "class": "NCP Server" },
      { "name": "FS10", "class": "NCP Server" },
      { "name": "FS2", "class": "NCP Server" },
      { "name": "FS1_SYS", "class": "Volume" },
      { "name": "FS1_VOL1", "class": "Volume" },
      { "name": "FS1_APPS", "class": "Volume" },
      { "name": "FS10_SYS", "class": "Volume" },
      { "name": "FS10_DATA", "class": "Volume" },
      { "name": "FS10_ARCHIVE", "class": "Volume" },
      { "name": "FS2_SYS", "class": "Volume" },
      { "name": "FS2_USERS", "class": "Volume" },
      { "name": "Everyone", "class": "Group" },
      { "name": "STANDARD", "class": "Profile" },
      { "name": "BACKUP", "class": "User", "usage": [ { "server": "FS10", "volume": 3, "inUse": 262144 } ] },
      { "name": "SALES", "class": "Organizational Unit", "children": [
        { "name": "JSMITH", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 256 },
                                                        { "server": "FS1", "volume": 1, "inUse": 12800 },
                                                        { "server": "FS1", "volume": 2, "inUse": 64 } ] },
        { "name": "MJONES", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 12800 } ] },
        { "name": "SALESMGR", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 25600 },
                                                          { "server": "FS2", "volume": 1, "inUse": 4000 },
                                                          { "server": "FS10", "volume": 1, "inUse": 900 } ] },
        { "name": "JOSÉ", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 3200 } ] },
        { "name": "Temporary account for the spring catalogue project team", "class": "User",
          "usage": [ { "server": "FS1", "volume": 1, "inUse": 640 } ] },
        { "name": "PKLEIN", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 0 } ] },
        { "name": "TRAINEE", "class": "User" },
        { "name": "JOHN", "class": "Alias" },
        { "name": "SALES_TEAM", "class": "Group" },
        { "name": "SALES_LASER", "class": "Printer" },
        { "name": "SALES_Q", "class": "Queue", "usage": [ { "server": "FS1", "volume": 0, "inUse": 180 } ] },
        { "name": "PRICELISTS", "class": "Directory Map" },
        { "name": "EAST", "class": "Organizational Unit", "children": [
          { "name": "SMITH", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 2048 } ] },
          { "name": "BWHITE", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 2048 } ] },
          { "name": "CGREEN", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 2048 } ] },
          { "name": "DBLACK", "class": "User", "usage": [ { "server": "FS1", "volume": 2, "inUse": 512 } ] },
          { "name": "EBROWN", "class": "User" },
          { "name": "EAST_TEAM", "class": "Group" },
          { "name": "EAST_LASER", "class": "Printer" },
          { "name": "EAST_Q", "class": "Queue", "usage": [ { "server": "FS1", "volume": 0, "inUse": 40 } ] },
          { "name": "BOSTON", "class": "Organizational Unit", "children": [
            { "name": "AMILLER", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 7300 } ] },
            { "name": "TNGUYEN", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 1100 },
                                                             { "server": "FS2", "volume": 1, "inUse": 1100 } ] },
            { "name": "RPATEL", "class": "User", "usage": [ { "server": "FS2", "volume": 1, "inUse": 650 } ] },
            { "name": "LOBRIEN", "class": "User" },
            { "name": "BOS_LASER", "class": "Printer" },
            { "name": "BOS_Q", "class": "Queue", "usage": [ { "server": "FS1", "volume": 0, "inUse": 12 } ] }
          ] },
          { "name": "NEWYORK", "class": "Organizational Unit", "children": [
            { "name": "KWALSH", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 4096 } ] },
            { "name": "DCOHEN", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 4096 } ] },
            { "name": "MROSSI", "class": "User", "usage": [ { "server": "FS1", "volume": 2, "inUse": 820 } ] },
            { "name": "NY_TEAM", "class": "Group" }
          ] }
        ] },
        { "name": "WEST", "class": "Organizational Unit", "children": [
          { "name": "HLEE", "class": "User", "usage": [ { "server": "FS10", "volume": 1, "inUse": 5000 } ] },
          { "name": "JGARCIA", "class": "User", "usage": [ { "server": "FS10", "volume": 1, "inUse": 2500 },
                                                           { "server": "FS1", "volume": 1, "inUse": 2500 } ] },
          { "name": "SKIM", "class": "User", "usage": [ { "server": "FS10", "volume": 0, "inUse": 75 } ] },
          { "name": "WEST_LASER", "class": "Printer" },
          { "name": "WEST_Q", "class": "Queue", "usage": [ { "server": "FS10", "volume": 0, "inUse": 33 } ] },
          { "name": "SEATTLE", "class": "Organizational Unit", "children": [
            { "name": "ACHEN", "class": "User", "usage": [ { "server": "FS10", "volume": 1, "inUse": 1800 } ] },
            { "name": "BNOVAK", "class": "User", "usage": [ { "server": "FS10", "volume": 3, "inUse": 9000 } ] },
            { "name": "CYOUNG", "class": "User" }
          ] }
        ] }
      ] },
      { "name": "ENGINEERING", "class": "Organizational Unit", "children": [
        { "name": "CHIEFENG", "class": "User", "usage": [ { "server": "FS10", "volume": 1, "inUse": 60000 },
                                                          { "server": "FS10", "volume": 3, "inUse": 120000 } ] },
        { "name": "BUILD", "class": "User", "usage": [ { "server": "FS10", "volume": 0, "inUse": 1500 },
                                                       { "server": "FS10", "volume": 1, "inUse": 45000 } ] },
        { "name": "ENG_TEAM", "class": "Group" },
        { "name": "PLOTTER", "class": "Printer" },
        { "name": "PLOT_Q", "class": "Queue", "usage": [ { "server": "FS10", "volume": 0, "inUse": 900 } ] },
        { "name": "SOURCES", "class": "Directory Map" },
        { "name": "RESEARCH", "class": "Organizational Unit", "children": [
          { "name": "AKOWALSKI", "class": "User", "usage": [ { "server": "FS10", "volume": 1, "inUse": 30000 } ] },
          { "name": "BSTONE", "class": "User", "usage": [ { "server": "FS10", "volume": 1, "inUse": 30000 } ] },
          { "name": "CDUBOIS", "class": "User", "usage": [ { "server": "FS10", "volume": 1, "inUse": 12000 },
                                                           { "server": "FS1", "volume": 2, "inUse": 3000 } ] },
          { "name": "LABPC", "class": "User" }
        ] },
        { "name": "QA", "class": "Organizational Unit", "children": [
          { "name": "TESTER1", "class": "User", "usage": [ { "server": "FS10", "volume": 1, "inUse": 800 } ] },
          { "name": "TESTER2", "class": "User", "usage": [ { "server": "FS10", "volume": 1, "inUse": 800 } ] },
          { "name": "TESTER3", "class": "User" },
          { "name": "QA_TEAM", "class": "Group" }
        ] }
      ] },
      { "name": "FINANCE", "class": "Organizational Unit", "children": [
        { "name": "CFO", "class": "User", "usage": [ { "server": "FS2", "volume": 1, "inUse": 8000 } ] },
        { "name": "AP_CLERK", "class": "User", "usage": [ { "server": "FS2", "volume": 1, "inUse": 2200 } ] },
        { "name": "AR_CLERK", "class": "User", "usage": [ { "server": "FS2", "volume": 1, "inUse": 2200 } ] },
        { "name": "PAYROLL", "class": "User", "usage": [ { "server": "FS2", "volume": 0, "inUse": 300 },
                                                         { "server": "FS2", "volume": 1, "inUse": 15000 } ] },
        { "name": "AUDITOR", "class": "User" },
        { "name": "FIN_TEAM", "class": "Group" },
        { "name": "CHEQUES", "class": "Printer" },
        { "name": "CHEQUES_Q", "class": "Queue", "usage": [ { "server": "FS2", "volume": 0, "inUse": 16 } ] }
      ] }
    ] },
    { "name": "DE", "class": "Country", "children": [
      { "name": "ACMEDE", "class": "Organization", "children": [
        { "name": "DE_Admin", "class": "User", "usage": [ { "server": "FS2", "volume": 0, "inUse": 700 } ] },
        { "name": "MÜNCHEN", "class": "Organizational Unit", "children": [
          { "name": "MÜLLER", "class": "User", "usage": [ { "server": "FS2", "volume": 1, "inUse": 1500 } ] },
          { "name": "SCHÄFER", "class": "User", "usage": [ { "server": "FS2", "volume": 1, "inUse": 1500 } ] },
          { "name": "WEIß", "class": "User" },
          { "name": "DRUCKER", "class": "Printer" }
        ] }
      ] }
    ] }
  ]
})json";

} // namespace

std::string_view sampleNetworkJson() {
    return kSample;
}

nw::Opened<Network> loadSampleNetwork() {
    return loadNetworkJson(kSample, std::string(kSampleNetworkSource));
}

} // namespace nwsim

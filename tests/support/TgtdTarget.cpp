#include "TgtdTarget.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

// A port nobody listens on now: the kernel picks one for a socket bound to port 0. Another
// process may take it before tgtd does; Start() then tries again with a new one.
int FreePort() {
    int l__int__Socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (l__int__Socket < 0) return 0;
    sockaddr_in l__Address{};
    l__Address.sin_family = AF_INET;
    l__Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t l__socklen_t__Length = sizeof(l__Address);
    int l__int__Port = 0;
    if (::bind(l__int__Socket, reinterpret_cast<sockaddr*>(&l__Address), sizeof(l__Address)) == 0 &&
        ::getsockname(l__int__Socket, reinterpret_cast<sockaddr*>(&l__Address), &l__socklen_t__Length) == 0)
        l__int__Port = ntohs(l__Address.sin_port);
    ::close(l__int__Socket);
    return l__int__Port;
}

bool Accepts(int p__int__Port) {
    int l__int__Socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (l__int__Socket < 0) return false;
    sockaddr_in l__Address{};
    l__Address.sin_family = AF_INET;
    l__Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    l__Address.sin_port = htons(static_cast<uint16_t>(p__int__Port));
    bool l__bool__Connected = ::connect(l__int__Socket, reinterpret_cast<sockaddr*>(&l__Address), sizeof(l__Address)) == 0;
    ::close(l__int__Socket);
    return l__bool__Connected;
}

std::string ReadFile(const std::string& p__string__Path) {
    std::ifstream l__Stream(p__string__Path);
    std::stringstream l__Text;
    l__Text << l__Stream.rdbuf();
    return l__Text.str();
}

}  // namespace

TgtdTarget::TgtdTarget(const std::string& p__string__BackingFile) : m__string__BackingFile(p__string__BackingFile) {
    if (::access(m__string__BackingFile.c_str(), F_OK) != 0) std::ofstream(m__string__BackingFile, std::ios::binary);
    m__string__LogFile = m__string__BackingFile + ".tgtd.log";
    for (int l__int__Attempt = 0; l__int__Attempt < 5 && !m__bool__Started; ++l__int__Attempt) m__bool__Started = Start();
}

// tgtd writes through to the backing file as each command arrives, so nothing is lost by
// ending it at once (it ignores SIGTERM while it has targets).
TgtdTarget::~TgtdTarget() { Kill(); }

std::string TgtdTarget::Portal() const { return "127.0.0.1:" + std::to_string(m__int__Port); }

std::string TgtdTarget::Url() const { return "iscsi://" + Portal() + "/" + m__string__Iqn + "/1"; }

bool TgtdTarget::Start() {
    m__int__Port = FreePort();
    if (m__int__Port == 0) {
        m__string__Failure = "no free port";
        return false;
    }
    // The control socket is numbered after the port (tgtd takes 0-32767; the ports the
    // kernel hands out lie in 32768-60999), so targets of tests running side by side never
    // share one.
    m__string__Iqn = "iqn.2026-12.org.tarnwick:unit" + std::to_string(m__int__Port);
    std::string l__string__Portal = "portal=" + Portal();
    std::string l__string__Control = std::to_string(ControlPort());
    pid_t l__pid_t__Parent = ::getpid();
    pid_t l__pid_t__Child = ::fork();
    if (l__pid_t__Child < 0) {
        m__string__Failure = "fork failed";
        return false;
    }
    if (l__pid_t__Child == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != l__pid_t__Parent) ::_exit(127);
        int l__int__Log = ::open(m__string__LogFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (l__int__Log >= 0) {
            ::dup2(l__int__Log, 1);
            ::dup2(l__int__Log, 2);
        }
        ::execl(TGTD, TGTD, "-f", "-C", l__string__Control.c_str(), "--iscsi", l__string__Portal.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    m__pid_t__Pid = l__pid_t__Child;
    // Ready when its control socket answers.
    bool l__bool__Ready = false;
    for (int l__int__Wait = 0; l__int__Wait < 100 && !l__bool__Ready; ++l__int__Wait) {
        if (Reap(0)) break;
        l__bool__Ready = Admin("--mode system --op show");
        if (!l__bool__Ready) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (l__bool__Ready) {
        l__bool__Ready = Admin("--lld iscsi --mode target --op new --tid 1 -T " + m__string__Iqn) &&
                         Admin("--lld iscsi --mode logicalunit --op new --tid 1 --lun 1 --device-type cd -b '" +
                               m__string__BackingFile + "'") &&
                         Admin("--lld iscsi --mode target --op bind --tid 1 -I ALL");
    }
    // Listening on the portal (another process may have taken the port meanwhile).
    for (int l__int__Wait = 0; l__int__Wait < 40 && l__bool__Ready && !Accepts(m__int__Port); ++l__int__Wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (l__bool__Ready && Accepts(m__int__Port)) return true;
    m__string__Failure = "tgtd did not start on " + Portal() + ": " + ReadFile(m__string__LogFile);
    Kill();
    return false;
}

bool TgtdTarget::EnableWriteCache() {
    // Caching mode page (08h), 18 bytes; byte 2 = 0x14: WCE (write cache enable) and MF.
    return Admin("--lld iscsi --mode logicalunit --op update --tid 1 --lun 1 --params "
                 "mode_page=8:0:18:0x14:0:0xff:0xff:0:0:0xff:0xff:0xff:0xff:0x80:0x14:0:0:0:0:0:0");
}

bool TgtdTarget::Admin(const std::string& p__string__Arguments) {
    std::string l__string__Command = std::string(TGTADM) + " -C " + std::to_string(ControlPort()) + " " +
                                     p__string__Arguments + " >>'" + m__string__LogFile + "' 2>&1";
    return std::system(l__string__Command.c_str()) == 0;
}

bool TgtdTarget::Reap(int p__int__Milliseconds) {
    if (m__pid_t__Pid <= 0) return true;
    for (int l__int__Waited = 0;; l__int__Waited += 10) {
        int l__int__Status = 0;
        pid_t l__pid_t__Done = ::waitpid(m__pid_t__Pid, &l__int__Status, WNOHANG);
        if (l__pid_t__Done == m__pid_t__Pid || l__pid_t__Done < 0) {
            m__pid_t__Pid = -1;
            return true;
        }
        if (l__int__Waited >= p__int__Milliseconds) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::vector<std::string> TgtdTarget::Sessions() {
    const std::string l__string__Show = m__string__LogFile + ".show";
    std::string l__string__Command = std::string(TGTADM) + " -C " + std::to_string(ControlPort()) +
                                     " --lld iscsi --mode target --op show >'" + l__string__Show + "' 2>&1";
    std::vector<std::string> l__Sessions;
    if (std::system(l__string__Command.c_str()) != 0) return l__Sessions;
    // Each session shows as "I_T nexus: SID" with its connections below it.
    std::istringstream l__Lines(ReadFile(l__string__Show));
    for (std::string l__string__Line; std::getline(l__Lines, l__string__Line);) {
        size_t l__size_t__At = l__string__Line.find("I_T nexus: ");
        if (l__size_t__At != std::string::npos) l__Sessions.push_back(l__string__Line.substr(l__size_t__At + 11));
    }
    return l__Sessions;
}

int TgtdTarget::DropConnections() {
    int l__int__Dropped = 0;
    for (const std::string& l__string__Sid : Sessions())
        if (Admin("--lld iscsi --mode conn --op delete --tid 1 --sid " + l__string__Sid + " --cid 0")) ++l__int__Dropped;
    // Done when the daemon has let the sessions go (it has then closed their sockets).
    for (int l__int__Wait = 0; l__int__Wait < 100 && !Sessions().empty(); ++l__int__Wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return l__int__Dropped;
}

void TgtdTarget::Kill() {
    if (m__pid_t__Pid <= 0) return;
    ::kill(m__pid_t__Pid, SIGKILL);
    Reap(10000);
}

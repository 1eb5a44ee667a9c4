#include "dialogs/server_session.h"

#include "dialogs/dialog_support.h"
#include "dialogs/logon_dialog.h"
#include "platform/qscore.h"
#include "remote/admin_library.h"
#include "remote/server_probe.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "setup/messages.h"

namespace {

const char kLocalConnectFailed[] = "Failed to connect to local server. ";

}  // namespace

void ConnectWithoutLogon(HWND owner) {
    SetCursorShape(IDC_WAIT);
    const std::uint16_t status = DBUConnect(Settings->ServerName.value.c_str(), "", "", &RemoteSession);
    SetCursorShape(IDC_ARROW);
    if (status == kStatusSuccess) return;
    RemoteSession = kNoRemoteSession;
    ShowRemoteFailure(owner, kLocalConnectFailed, status);
}

bool OpenServerSession(HWND owner) {
    if (QSIsThisMyComputerA(Settings->ServerName.value.c_str()) != 0) {
        ConnectWithoutLogon(owner);
        return RemoteSession != kNoRemoteSession;
    }
    return DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_LOGON), owner, LogonDlgProc, 0) == 1 &&
           RemoteSession != kNoRemoteSession;
}

bool ProbeConnectedServer(HWND owner) {
    const int type = ProbeServerType(owner, RemoteSession);
    if (type < 0) {
        DBUDisconnect(&RemoteSession);  // after a failed probe too, no session stays open
        return false;
    }
    ServerType = static_cast<std::uint16_t>(type);
    return true;
}

#include "dialogs/engine_dsn_opener.h"

#include <cstring>

#include "dialogs/engine_dsn_dialog.h"
#include "dialogs/server_session.h"
#include "dialogs/setup_dialog.h"
#include "remote/admin_library.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "setup/config_dsn.h"

namespace {

struct Opening {
    HWND owner;
    LPCSTR server, engineDsn;
};

BOOL OpenEngineDsnDialog(void* context) {
    const Opening& o = *static_cast<Opening*>(context);
    DsnSettings& s = *Settings;
    s.ServerName.set(o.server);
    HasServerName = 1;  // the Logon dialog starts from this server
    const bool creating = o.engineDsn == nullptr || *o.engineDsn == '\0';
    if (!creating) s.ServerDSN.set(o.engineDsn);
    if (!OpenServerSession(o.owner) || !ProbeConnectedServer(o.owner)) return FALSE;
    IsCreateEngineDsn = creating ? 1 : 0;
    EngineDsnSaved = 0;
    const INT_PTR ended = DialogBoxParamA(
        ModuleInstance, MAKEINTRESOURCEA(creating ? IDD_CREATE_ENGINE_DSN : IDD_MODIFY_ENGINE_DSN), o.owner, EngDSNDlgProc, 0);
    DBUDisconnect(&RemoteSession);
    return ended == IDOK ? TRUE : FALSE;
}

}  // namespace

extern "C" BOOL WINAPI EditEngineDsn(HWND owner, LPCSTR server, LPCSTR engineDsn) {
    // Names the record cannot hold whole would open another server's or engine DSN's dialog.
    const auto fits = [](LPCSTR text) { return text == nullptr || std::strlen(text) <= ProfileText::maxLength(); };
    if (server == nullptr || *server == '\0' || !fits(server) || !fits(engineDsn)) return FALSE;
    // A call like ConfigDSN's: the dialogs work on its record, one call at a time.
    Opening opening = {owner, server, engineDsn};
    return RunAsCall(FALSE, owner, OpenEngineDsnDialog, &opening);
}

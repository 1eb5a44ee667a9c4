// Resource identifiers of DSNSET64.dll: dialog templates and the string table.
#pragma once

// Dialog templates. HelpDlgProc serves a host's own modeless dialog: it has no template here.
#define IDD_SETUP 110
#define IDD_LOGON 111
#define IDD_ADVANCED 115
#define IDD_CREATE_DATABASE 118
#define IDD_CREATE_ENGINE_DSN 130
#define IDD_MODIFY_ENGINE_DSN 131
#define IDD_ENGINE_ADVANCED 136
#define IDD_ADD_DATAFILE 150

// Controls of the setup dialog; 109 is every dialog's Help button.
#define IDC_SETUP_DSN 101
#define IDC_SETUP_DESCRIPTION 102
#define IDC_SETUP_ADVANCED 103
#define IDC_SETUP_SERVER 104
#define IDC_SETUP_DATABASE 105
#define IDC_SETUP_CREATE 106
#define IDC_SETUP_TEST 108
#define IDC_SETUP_HINT 143
#define IDC_SETUP_GET_LIST 153

// Controls of the Logon dialog.
#define IDC_LOGON_USER 112
#define IDC_LOGON_PASSWORD 113
#define IDC_LOGON_SERVER 114

// Controls of the Advanced Connection Attributes dialog; 109 is every dialog's Help button.
#define IDC_HELP_BUTTON 109
#define IDC_ARRAY_FETCH 116
#define IDC_ARRAY_BUFFER_SIZE 117
#define IDC_TCP_PORT 144
#define IDC_TCP_PORT_DEFAULT 145
#define IDC_TRANSLATION_GROUP 146
#define IDC_TRANSLATION_NONE 147
#define IDC_TRANSLATION_AUTO 148
#define IDC_TRANSLATION_OEM 149

// Controls of the Create Database dialog.
#define IDC_CREATE_NAME 120
#define IDC_CREATE_INTEGRITY 121
#define IDC_CREATE_BOUND 122
#define IDC_CREATE_DICTIONARY 123
#define IDC_CREATE_LOCATIONS 124
#define IDC_CREATE_BROWSE 125
#define IDC_CREATE_ADD 126
#define IDC_CREATE_DELETE 127
#define IDC_CREATE_LONG_METADATA 154
#define IDC_CREATE_SECURITY 1046
#define IDC_CREATE_SECURITY_LABEL 1047
#define IDC_CREATE_CODE_PAGE 1999

// Controls of the Add data file location dialog.
#define IDC_DATAFILE_LOCATION 151
#define IDC_DATAFILE_BROWSE 152

// Controls of the engine DSN dialogs (templates 130 and 131 share them).
#define IDC_ENGINE_DATABASE 132
#define IDC_ENGINE_DESCRIPTION 133
#define IDC_ENGINE_INTEGRITY 134
#define IDC_ENGINE_BOUND 135
#define IDC_ENGINE_ADVANCED 137
#define IDC_ENGINE_CREATE 156
#define IDC_ENGINE_NAME 161
#define IDC_ENGINE_DICTIONARY 123
#define IDC_ENGINE_LOCATIONS 124

// Controls of the Advanced Engine DSN Attributes dialog; the translation buttons are 147-149.
#define IDC_OPEN_MODE_GROUP 138
#define IDC_OPEN_NORMAL 139
#define IDC_OPEN_ACCELERATED 140
#define IDC_OPEN_READ_ONLY 141
#define IDC_OPEN_EXCLUSIVE 142

// Strings.
#define IDS_CAPTION 1002
#define IDS_BAD_DSN_NAME 1003
#define IDS_BAD_ARRAY_BUFFER_SIZE 1004
#define IDS_DSN_FORBIDDEN_CHARACTERS 1009
#define IDS_DSN_EXISTS_OVERWRITE 1010
#define IDS_PATH_NOT_UNC 1013
#define IDS_PATH_INVALID 1014
#define IDS_ENGINE_DSN_HOLDS_NAME 1016
#define IDS_REPLICATION_REMOVE 1017
#define IDS_SECURITY_CLASSIC 1072
#define IDS_SECURITY_MIXED 1073
#define IDS_SECURITY_DATABASE 1074
#define IDS_SERVER_DEFAULT_CODE_PAGE 1075

// The name box limit of the dialogs and the limit that message 1003 states.
#define DSN_NAME_LIMIT 32

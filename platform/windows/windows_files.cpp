// windows_files.cpp -- the program's drive path on current Windows, where a
// standard user may make folders at the root of C: but not files: "c:\e.mid"
// is written there where it can be created, else under the user's local
// application data (%LOCALAPPDATA%\ostra\drive_c\e.mid, as Linux keeps
// $XDG_DATA_HOME/ostra/drive_c), and the MCI open command that names the path
// is sent naming that same file. Other paths and commands pass through.
#include "platform/win32.h"

#include <errno.h>
#include <shlobj.h>
#include <string.h>
#include <wchar.h>

#undef fopen
#undef mciSendStringA

// Where a file the program names by a drive path went when the path itself
// refused it: decided at its first write and kept for the process, so that
// the open command reaches the file the write made. Empty while the path
// itself serves. Wide, because the user's folder may hold letters outside the
// ANSI code page, which neither fopen nor mciSendStringA could name.
static char moved_name[MAX_PATH];
static wchar_t moved_place[MAX_PATH];

// FOLDERID_LocalAppData, as knownfolders.h gives it; defined here, since the
// GUID library would bring hundreds of others into the program.
static const KNOWNFOLDERID local_app_data = {0xf1b32785, 0x6fba, 0x4fcf,
                                             {0x9d, 0x55, 0x7b, 0x8e, 0x7f, 0x15, 0x70, 0x91}};

// "c:\name": one file name at the root of a drive.
static int drive_file(const char *path)
{
    if (!((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') || path[1] != ':' ||
        (path[2] != '\\' && path[2] != '/') || !path[3] || strlen(path) >= MAX_PATH)
        return 0;
    return strpbrk(path + 3, "\\/") == NULL;
}

// Appends `text` to `out` of MAX_PATH units; 0 where it does not fit.
static int append(wchar_t *out, const wchar_t *text)
{
    size_t have = wcslen(out), add = wcslen(text);
    if (have + add >= MAX_PATH)
        return 0;
    wmemcpy(out + have, text, add);
    out[have + add] = L'\0';
    return 1;
}

// %LOCALAPPDATA%\ostra\drive_<letter>\<name>, its folders made where missing.
static int local_place(const char *path, wchar_t *out)
{
    wchar_t name[MAX_PATH], drive[] = L"\\drive_?";
    PWSTR base = NULL;
    if (!MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path + 3, -1, name, MAX_PATH))
        return 0;
    drive[7] = (wchar_t)(path[0] | 0x20);
    out[0] = L'\0';
    // The known folder, not the environment, which another program may have set.
    if (FAILED(SHGetKnownFolderPath(local_app_data, KF_FLAG_CREATE, NULL, &base)))
        return 0;
    int fits = append(out, base);
    CoTaskMemFree(base);
    if (!fits || !append(out, L"\\ostra"))
        return 0;
    CreateDirectoryW(out, NULL);
    if (!append(out, drive))
        return 0;
    CreateDirectoryW(out, NULL);
    return append(out, L"\\") && append(out, name);
}

static FILE *wide_open(const wchar_t *place, const char *mode)
{
    wchar_t wide_mode[16] = L"";
    for (size_t i = 0; mode[i] && i + 1 < 16; i++)
        wide_mode[i] = (wchar_t)(unsigned char)mode[i];
    return _wfopen(place, wide_mode);
}

FILE *win32_fopen(const char *path, const char *mode)
{
    if (!path || !mode) {
        errno = EINVAL;
        return NULL;
    }
    if (moved_name[0] && _stricmp(path, moved_name) == 0)
        return wide_open(moved_place, mode);
    FILE *f = fopen(path, mode);
    if (f || !drive_file(path) || !strpbrk(mode, "wa"))
        return f;
    int refused = errno;
    wchar_t place[MAX_PATH];
    if (!local_place(path, place) || !(f = wide_open(place, mode))) {
        errno = refused;
        return NULL;
    }
    memcpy(moved_name, path, strlen(path) + 1);
    wmemcpy(moved_place, place, wcslen(place) + 1);
    return f;
}

// A name that the ANSI code page holds, and one shorter than the 128
// characters that mmioOpen takes.
static int ansi_name(const wchar_t *path)
{
    char narrow[MAX_PATH];
    BOOL lost = FALSE;
    return wcslen(path) < 128 &&
           WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, narrow, MAX_PATH, NULL, &lost) && !lost;
}

// The sequencer reads its file through MMIO, which opens it by an ANSI name
// whichever function it was given (a letter outside the code page is lost):
// the file's place where that holds it, else its short (8.3) form, which does
// where the volume makes short names.
static const wchar_t *sequencer_name(wchar_t *short_place)
{
    if (ansi_name(moved_place))
        return moved_place;
    DWORD n = GetShortPathNameW(moved_place, short_place, MAX_PATH);
    return n && n < MAX_PATH && ansi_name(short_place) ? short_place : moved_place;
}

// "open <moved path> <rest>" is sent naming the file the write made, quoted
// (the command line splits on spaces), the rest as it was; any other command
// as it is.
MCIERROR win32_mciSendStringA(LPCSTR command, LPSTR ret, UINT ret_length, HWND notify)
{
    size_t n = strlen(moved_name);
    if (!n || !command || _strnicmp(command, "open ", 5) != 0 || _strnicmp(command + 5, moved_name, n) != 0 ||
        (command[5 + n] != ' ' && command[5 + n] != '\0'))
        return mciSendStringA(command, ret, ret_length, notify);
    wchar_t wide[3 * MAX_PATH] = L"open \"", short_place[MAX_PATH];
    const wchar_t *name = sequencer_name(short_place);
    size_t len = wcslen(wide);
    wmemcpy(wide + len, name, wcslen(name));
    len += wcslen(name);
    wide[len++] = L'"';
    if (!MultiByteToWideChar(CP_ACP, 0, command + 5 + n, -1, wide + len, (int)(3 * MAX_PATH - len)))
        return MCIERR_OUT_OF_MEMORY;
    // The program asks its open command for no answer; none is given here.
    if (ret && ret_length)
        ret[0] = '\0';
    return mciSendStringW(wide, NULL, 0, notify);
}

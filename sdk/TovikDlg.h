/*
 * TovikDlg.h - calling TovikDlg.dll from a game (C and C++).
 *
 * ShowMainDialog shows the player the claim (terms) text from "Claim.txt"
 * in a modal dialog and returns how the player answered. It is exported by
 * name, undecorated, as ordinal 1; the calling convention is cdecl. The
 * header serves both builds of the library: bin/x86 for 32-bit games and
 * bin/x64 for 64-bit games.
 *
 * Threading: the call blocks the calling thread until the player answers
 * and runs the dialog's message loop on that thread, so the thread's other
 * windows keep receiving their messages meanwhile. The library creates no
 * threads. It keeps a little state for each thread that has called it
 * (freed when the thread ends or the library is unloaded) and takes a short
 * internal lock only while such state is made or freed. Any thread may call
 * it, and calls on different threads may run at the same time, each with
 * its own dialog; normally the game calls it from the thread that owns its
 * windows. Do not call it again on a thread whose call is still running
 * (from a window procedure of that thread, say).
 *
 * Current directory: "Claim.txt" is read from the process's current
 * directory at the time of the call, not from the folder of the DLL or of
 * the game. Set the current directory to the folder that holds it first.
 *
 * The texts are Traditional Chinese in Big5: the system's ANSI code page
 * must be 950 for the player to read them. See INTEGRATION.md.
 */
#ifndef TOVIKDLG_H
#define TOVIKDLG_H

/* The SDK release this header came with; TOVIK_VERSION_STRING is
   "MAJOR.MINOR.PATCH". The DLL names it in its version block's Comments
   ("SDK @PROJECT_VERSION@"); the block's file and product version stay
   1.0.0.6. (The build fills in the numbers.) */
#define TOVIK_VERSION_MAJOR  @PROJECT_VERSION_MAJOR@
#define TOVIK_VERSION_MINOR  @PROJECT_VERSION_MINOR@
#define TOVIK_VERSION_PATCH  @PROJECT_VERSION_PATCH@
#define TOVIK_VERSION_STRING "@PROJECT_VERSION@"

#ifdef __cplusplus
extern "C" {
#endif

/* The access code the library accepts. */
#define TOVIK_ACCESS_CODE "8063927kov"

/* Results of ShowMainDialog. */
#define TOVIK_RESULT_AGREED      0 /* the player pressed Agree */
#define TOVIK_RESULT_NOT_AGREED  1 /* Disagree, Escape, Claim.txt unreadable, or no dialog could be made */
#define TOVIK_RESULT_CODE_REFUSED 8 /* wrong access code: "Access Denied!!" was shown, no dialog */

/* The largest Claim.txt the library shows, in bytes (1 MiB). A larger file
   counts as unreadable: the player sees the file-error message and the call
   returns TOVIK_RESULT_NOT_AGREED, decided from the file's size before
   anything is read, so the game never waits long or runs short of memory. */
#define TOVIK_CLAIM_MAX_BYTES 1048576u

/* The most layout work Claim.txt may take. Its lines, ended only by CR LF
   (up to the first NUL byte), are counted in characters, a tab as 32 and a
   line that is not empty as at least 64; the squares of the counts, and 16
   for each byte, may add up to at most 69,000,000: as much as 1 MiB of
   200-byte lines of Chinese text, or 16 lines of 2,060 Chinese characters.
   The text box lays a line out in a time that grows with the square of its
   length, before the dialog shows: a text over this counts as unreadable like
   a file over the cap, so that the game does not wait with no window. */
#define TOVIK_CLAIM_MAX_LAYOUT 69000000u

/* Shows the claim dialog when accessCode is TOVIK_ACCESS_CODE; returns one
   of the results above. */
int __cdecl ShowMainDialog(const char* accessCode);

/* The function's type, for GetProcAddress(module, "ShowMainDialog"). */
typedef int(__cdecl* TOVIK_SHOW_MAIN_DIALOG)(const char* accessCode);

#ifdef __cplusplus
}
#endif

#endif /* TOVIKDLG_H */

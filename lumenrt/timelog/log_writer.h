// The rotating log writer: one log per process, a ring of three files
// <directory><base>-1.LOG .. -3.LOG, the next one started empty once more than 32767 bytes have been
// counted into the current one. The file number and byte count are kept under the agent's registry
// key as "<base>_CurrLogFileNo" and "<base>_CurrLogBytesWritten", so a restart continues in the right
// file at the right size. Without an open file, lines go to standard output.
//
// Thread safety: process-wide state, no lock; one thread writes at a time.
#pragma once

// Opens (or reopens) the log. directory is used as written (it ends with a path separator).
// truncate 1 starts the file empty; any other value appends.
void LogOpen(const char* directory, const char* baseName, int truncate);

// Writes one line: the 12-character time prefix, text and a newline. channel is not used. Returns 1.
int LogWrite(int channel, const char* text);

// Moves to the next file when the current one has grown past the size limit; called by LogWrite.
void LogRotate();

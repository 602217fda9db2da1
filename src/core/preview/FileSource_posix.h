#pragma once
// The POSIX drawing file's check for writers, open to the tests that must act inside it.

// Whether another program holds the open file `fd` open for writing. On Linux it asks
// through a read lease; `whileLeased`, when given, runs while the lease is held.
bool HeldOpenForWriting(int fd, void (*whileLeased)(int fd) = nullptr);

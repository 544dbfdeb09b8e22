/* Preloaded into solvina-cli by bench/run to time a run without its syncs: the difference is
   the syncs' share. Never part of the program. */
#include <unistd.h>

int syncfs(int fd) { (void)fd; return 0; }
int fsync(int fd) { (void)fd; return 0; }
int fdatasync(int fd) { (void)fd; return 0; }

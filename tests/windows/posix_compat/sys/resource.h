// The POSIX resource limits as far as the unit suite asks for them. Windows
// has no limit of that kind on sockets, which are handles rather than small
// descriptors: the limit reads as 0 and cannot be raised.
#pragma once

struct rlimit {
  unsigned long rlim_cur;
  unsigned long rlim_max;
};

#define RLIMIT_NOFILE 7

inline int getrlimit(int, rlimit* ALimit) {
  ALimit->rlim_cur = 0;
  ALimit->rlim_max = 0;
  return 0;
}

inline int setrlimit(int, const rlimit*) { return -1; }

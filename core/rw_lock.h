// A lock with a shared read side and an exclusive write side. The thread
// that holds the write side may take either side again (it counts as a
// nested write); a thread holding only the read side must not ask for the
// write side.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace zorapi {

class TReadWriteLock {
 public:
  void BeginRead() {
    std::unique_lock<std::mutex> guard(FMutex);
    if (FWriter == std::this_thread::get_id()) {
      ++FWriteDepth;
      return;
    }
    FChanged.wait(guard, [this] { return FWriteDepth == 0; });
    ++FReaders;
  }

  void EndRead() {
    std::unique_lock<std::mutex> guard(FMutex);
    if (FWriteDepth > 0 && FWriter == std::this_thread::get_id()) {
      LeaveWrite();
      return;
    }
    if (FReaders > 0 && --FReaders == 0) FChanged.notify_all();
  }

  void BeginWrite() {
    std::unique_lock<std::mutex> guard(FMutex);
    const std::thread::id self = std::this_thread::get_id();
    if (FWriteDepth > 0 && FWriter == self) {
      ++FWriteDepth;
      return;
    }
    FChanged.wait(guard, [this] { return FWriteDepth == 0 && FReaders == 0; });
    FWriter = self;
    FWriteDepth = 1;
  }

  void EndWrite() {
    std::unique_lock<std::mutex> guard(FMutex);
    if (FWriteDepth > 0 && FWriter == std::this_thread::get_id()) LeaveWrite();
  }

 private:
  void LeaveWrite() {
    if (--FWriteDepth == 0) {
      FWriter = std::thread::id();
      FChanged.notify_all();
    }
  }

  std::mutex FMutex;
  std::condition_variable FChanged;
  std::thread::id FWriter;
  int FWriteDepth = 0;
  int FReaders = 0;
};

class TReadLockGuard {
 public:
  explicit TReadLockGuard(TReadWriteLock& ALock) : FLock(ALock) { FLock.BeginRead(); }
  ~TReadLockGuard() { FLock.EndRead(); }
  TReadLockGuard(const TReadLockGuard&) = delete;
  TReadLockGuard& operator=(const TReadLockGuard&) = delete;

 private:
  TReadWriteLock& FLock;
};

class TWriteLockGuard {
 public:
  explicit TWriteLockGuard(TReadWriteLock& ALock) : FLock(ALock) { FLock.BeginWrite(); }
  ~TWriteLockGuard() { FLock.EndWrite(); }
  TWriteLockGuard(const TWriteLockGuard&) = delete;
  TWriteLockGuard& operator=(const TWriteLockGuard&) = delete;

 private:
  TReadWriteLock& FLock;
};

}  // namespace zorapi

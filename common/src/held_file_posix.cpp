#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/held_file.h"

namespace common {

HeldFile::~HeldFile() { Release(); }

bool HeldFile::IsHeld() const { return fd_ >= 0; }

void HeldFile::Release() {
  if (fd_ >= 0) close(fd_);  // the lock goes with the descriptor
  fd_ = -1;
}

HeldFile::Outcome HeldFile::Hold(const std::string& path) {
  Release();
  // A holder may rename the file away between our open and our lock (a
  // temporary moved into place): then the lock is on a file that no longer
  // has this name, and the name is opened again.
  for (int attempt = 0; attempt < 8; ++attempt) {
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
      error_ = std::strerror(errno);
      return Outcome::Failed;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int e = errno;
      close(fd);
      if (e == EWOULDBLOCK || e == EAGAIN) return Outcome::Busy;
      error_ = std::strerror(e);
      return Outcome::Failed;
    }
    struct stat held {}, named {};
    if (fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino) {
      fd_ = fd;
      return Outcome::Held;
    }
    close(fd);
  }
  error_ = "the file keeps being replaced by another process";
  return Outcome::Busy;
}

bool HeldFile::Rewrite(std::string_view content) {
  if (fd_ < 0) {
    error_ = "the file is not held";
    return false;
  }
  // Written over from the start and cut only if it was longer: ext4 takes
  // a truncation to length 0 for a file being replaced and writes the file
  // back when it is closed, a disk write each time (the temporary is
  // nearly always new and empty).
  struct stat before {};
  if (fstat(fd_, &before) != 0 || lseek(fd_, 0, SEEK_SET) != 0) {
    error_ = std::strerror(errno);
    return false;
  }
  size_t done = 0;
  while (done < content.size()) {
    ssize_t n = write(fd_, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = n < 0 ? std::strerror(errno) : "nothing written";
      return false;
    }
    done += static_cast<size_t>(n);
  }
  if (before.st_size > static_cast<off_t>(content.size()) && ftruncate(fd_, static_cast<off_t>(content.size())) != 0) {
    error_ = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace common
#endif

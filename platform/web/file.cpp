// Files in the browser: what the page hands the module. A handle names a file that the page
// keeps (a File the user chose, or an output collected in pieces); every read and write goes
// through the page, a piece at a time, so that the module never holds more than its buffers.
// A browser gives no file identity, no locks and no paths: the names are the files' own
// names, as the page shows them.
#include <cerrno>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/file.h"

// Implemented by the page's side of the module (web/module/library.js). Sizes and offsets are
// doubles, exact up to 2^53 bytes. Each returns a negative number when the operation failed.
extern "C" {
double tessary_web_file_size(int handle);
double tessary_web_file_read(int handle, char* into, double size);
double tessary_web_file_write(int handle, const char* data, double size);
double tessary_web_file_position(int handle);
double tessary_web_file_seek(int handle, double offset);
double tessary_web_file_truncate(int handle, double size);
double tessary_web_file_close(int handle);
}

namespace tessary::platform {
namespace {

int HandleOf(File::Handle handle) {
  return static_cast<int>(handle);
}

}  // namespace

Error StatusOf(const std::string&, FileStatus& status) {
  status = {};
  return ENOENT;  // no path names a file in the browser
}

std::string FullPath(const std::string& path) {
  return path;
}

std::string FollowLinks(const std::string& path) {
  return path;
}

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + '/' + name;
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ComparableName(const std::string& name) {
  return name;
}

char CharacterNotInNames(const std::string& text) {
  return text.find('/') != std::string::npos ? '/' : '\0';
}

File File::Borrow(Standard) noexcept {
  return File();  // a page has no standard streams
}

File File::Borrow(std::intptr_t handle) noexcept {
  File file;
  file.handle_ = handle;
  return file;
}

Error File::OpenToRead(const std::string&, File&) {
  return ENOENT;  // files come from the page as handles, never by name
}

Error File::OpenToWrite(const std::string&, File&) {
  return ENOENT;
}

FileStatus File::Status() const {
  FileStatus status;
  const double size = tessary_web_file_size(HandleOf(handle_));
  if (size < 0) return status;
  status.kind = FileKind::Regular;
  status.size = static_cast<std::uint64_t>(size);
  status.identified = false;
  return status;
}

Error File::Lock() {
  return 0;  // what the page holds, no other program can write
}

Error File::Read(char* into, std::size_t size, std::size_t& count) {
  count = 0;
  const double read = tessary_web_file_read(HandleOf(handle_), into, static_cast<double>(size));
  if (read < 0) return EIO;
  count = static_cast<std::size_t>(read);
  return 0;
}

Error File::Write(const char* data, std::size_t size, std::size_t& count) {
  count = 0;
  const double written = tessary_web_file_write(HandleOf(handle_), data, static_cast<double>(size));
  if (written < 0) return EIO;
  count = static_cast<std::size_t>(written);
  return 0;
}

bool File::WaitToRead(int) {
  return true;
}

bool File::WaitToWrite(int) {
  return true;
}

Error File::Position(std::uint64_t& offset) {
  const double at = tessary_web_file_position(HandleOf(handle_));
  if (at < 0) return ESPIPE;
  offset = static_cast<std::uint64_t>(at);
  return 0;
}

Error File::Seek(std::uint64_t offset) {
  return tessary_web_file_seek(HandleOf(handle_), static_cast<double>(offset)) < 0 ? ESPIPE : 0;
}

Error File::Truncate(std::uint64_t size) {
  return tessary_web_file_truncate(HandleOf(handle_), static_cast<double>(size)) < 0 ? EIO : 0;
}

Error File::Sync() {
  return 0;  // the page decides when the output is kept
}

Error File::SyncDataSoon(bool) noexcept {
  return 0;
}

Error File::Close() noexcept {
  const int handle = HandleOf(std::exchange(handle_, kNone));
  if (std::exchange(owned_, false) && tessary_web_file_close(handle) < 0) return EIO;
  return 0;
}

void File::Reset() noexcept {
  const int handle = HandleOf(std::exchange(handle_, kNone));
  if (std::exchange(owned_, false)) tessary_web_file_close(handle);
}

}  // namespace tessary::platform

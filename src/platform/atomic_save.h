// Replaces a document only once its new contents are complete on disk: the bytes go to a temporary
// file beside the target, are flushed, and the temporary file is renamed over the target. A process
// killed half-way leaves the old document as it was and at most a temporary file whose name says so
// (".NAME.~tmp<pid>.<n>"); the next save of the same name removes such files of processes that are gone.
#pragma once

#include <string>
#include <string_view>

namespace tomeshift::word {

class AtomicSave {
 public:
  // Checks that the target can be replaced and creates the temporary file. Throws FileError naming
  // the target and the reason.
  explicit AtomicSave(std::string native_target);
  ~AtomicSave();  // removes the temporary file unless Commit() renamed it into place
  AtomicSave(const AtomicSave&) = delete;
  AtomicSave& operator=(const AtomicSave&) = delete;

  // Appends bytes to the temporary file. Throws FileError (the disk full, a size limit, an I/O error).
  void Write(std::string_view bytes);
  // Flushes the temporary file and puts it in place of the target. Throws FileError; the target
  // is then unchanged.
  void Commit();

  const std::string& temp_path() const { return temp_; }

  // The temporary-name prefix for a target ("/dir/.NAME.~tmp"), and whether a file name in the
  // target's folder is a temporary file of a save process that no longer runs.
  static std::string TempPrefix(const std::string& native_target);
  static bool IsStaleTemp(const std::string& native_target, const std::string& file_name);

 private:
  void RemoveStaleTemps() const;

  std::string target_;
  std::string temp_;
  int fd_ = -1;
};

}  // namespace tomeshift::word

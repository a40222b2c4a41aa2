#include "word/msdoc/writer.h"

#include <exception>
#include <filesystem>
#include <string>

#include "platform/atomic_save.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "word/msdoc/model_mapper.h"

namespace tomeshift::word {

std::string TDocWriter::Serialize(const DocModel& doc) { return ModelMapper(doc).Run(); }

void TDocWriter::Save(const DocModel& doc, const std::u16string& path) {
  const std::string native = FileSystem().NativePath(path);
  std::filesystem::path target(native);
  std::error_code ec;
  if (target.has_parent_path() && !std::filesystem::is_directory(target.parent_path(), ec))
    throw FileError(native, "the folder " + target.parent_path().string() + " does not exist");
  if (std::filesystem::is_directory(target, ec)) throw FileError(native, "a folder of that name exists");
  std::string bytes;
  try {
    bytes = Serialize(doc);
  } catch (const EUserCancel&) {
    throw;
  } catch (const std::exception& e) {
    throw FileError(native, std::string("cannot write the document: ") + e.what());
  }
  AtomicSave file(native);
  file.Write(bytes);
  file.Commit();
}

}  // namespace tomeshift::word

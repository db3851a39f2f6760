#include "base/FileKind.h"

#include <cerrno>
#include <filesystem>

#include "base/Utf8Path.h"
#include "base/Wording.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace orten {

namespace {

constexpr std::size_t kSystemTextChars = 80;

FileKind KindOf(fs::file_type type) {
  switch (type) {
    case fs::file_type::regular:
      return FileKind::Regular;
    case fs::file_type::directory:
      return FileKind::Directory;
    case fs::file_type::fifo:
      return FileKind::Fifo;
    case fs::file_type::socket:
      return FileKind::Socket;
    case fs::file_type::block:
    case fs::file_type::character:
      return FileKind::Device;
    case fs::file_type::not_found:
      return FileKind::Missing;
    default:
      return FileKind::Other;
  }
}

std::chrono::system_clock::time_point SystemTime(fs::file_time_type t) {
  return std::chrono::time_point_cast<std::chrono::system_clock::duration>(
      t - fs::file_time_type::clock::now() + std::chrono::system_clock::now());
}

}  // namespace

FileFacts InspectFile(const std::string& path) {
  const fs::path file = PathFromUtf8(path);
  FileFacts facts;
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  facts.kind = KindOf(status.type());
  if (facts.kind == FileKind::Missing || status.type() == fs::file_type::none) {
    std::error_code linkEc;
    if (fs::is_symlink(fs::symlink_status(file, linkEc))) {
      facts.kind = FileKind::DanglingLink;
    } else if (status.type() == fs::file_type::none) {
      facts.kind = FileKind::Unreadable;
    }
    facts.error = ec ? ec : std::make_error_code(std::errc::no_such_file_or_directory);
    return facts;
  }
  if (facts.kind != FileKind::Regular) return facts;
  const std::uintmax_t size = fs::file_size(file, ec);
  if (!ec) facts.size = size;
  const fs::file_time_type modified = fs::last_write_time(file, ec);
  if (!ec) facts.modified = SystemTime(modified);
  return facts;
}

std::string FileKindText(FileKind kind) {
  switch (kind) {
    case FileKind::Missing:
      return "файла нет";
    case FileKind::Regular:
      return "это обычный файл";
    case FileKind::Directory:
      return "это папка";
    case FileKind::Fifo:
      return "это именованный канал";
    case FileKind::Socket:
      return "это сокет";
    case FileKind::Device:
      return "это устройство";
    case FileKind::DanglingLink:
      return "это ссылка на несуществующий файл";
    case FileKind::Link:
      return "это символическая ссылка";
    case FileKind::Other:
      return "это файл особого типа";
    case FileKind::Unreadable:
      break;
  }
  return "сведения о нём недоступны";
}

#ifndef _WIN32
FileKind FileKindOfMode(unsigned long mode) {
  const auto m = static_cast<mode_t>(mode);
  if (S_ISREG(m)) return FileKind::Regular;
  if (S_ISDIR(m)) return FileKind::Directory;
  if (S_ISLNK(m)) return FileKind::Link;
  if (S_ISFIFO(m)) return FileKind::Fifo;
  if (S_ISSOCK(m)) return FileKind::Socket;
  if (S_ISCHR(m) || S_ISBLK(m)) return FileKind::Device;
  return FileKind::Other;
}
#endif

std::string FileErrorText(std::error_code error, FileAccess access) {
  if (error == std::errc::no_such_file_or_directory) {
    return access == FileAccess::Write ? "папка не найдена" : "файл не найден";
  }
  // The folder is there, under another name's file: not the same as missing.
  if (error == std::errc::not_a_directory) return "в пути вместо папки стоит файл";
  if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted) {
    return "нет доступа";
  }
  if (error == std::errc::is_a_directory) return "это папка";
  if (error == std::errc::no_space_on_device) return "нет места на диске";
#ifdef EDQUOT
  // The user's share of the disk is used up: to the user the same as a full disk.
  if (error == std::error_condition(EDQUOT, std::generic_category())) return "нет места на диске";
#endif
  if (error == std::errc::read_only_file_system) return "диск доступен только для чтения";
  if (error == std::errc::too_many_symbolic_link_levels) return "ссылки замкнуты в круг";
  if (error == std::errc::file_too_large) return "файл слишком велик";
  if (error == std::errc::filename_too_long) return "слишком длинное имя";
  return "системная ошибка (" + EscapedExcerpt(error.message(), kSystemTextChars) + ")";
}

}  // namespace orten

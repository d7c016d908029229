#pragma once
// The files automatic calibration keeps for the loaded table: the step log,
// appended run after run, and the recovery file, a CAL file holding every
// column measured since the table was last saved, written whole after each
// column. Both lie beside the table once it has a file. A table made with New
// has none yet: its files wait in a spare folder of the program's own and the
// log moves beside the table when it is saved, so nothing lands in a place
// the operator did not choose.
#include <cstdint>
#include <filesystem>
#include <string>

class AutoCalFiles {
 public:
  explicit AutoCalFiles(std::filesystem::path spareFolder);

  // The loaded table's file: an absolute path, or the bare name of a table
  // that has none yet. Taken once per table, until Saved or Released.
  void UseTable(const std::string& calFile);
  // Where this table's step log is appended (the spare folder is made here).
  // Raises platform::Error with the system's reason.
  std::filesystem::path LogPath();
  // Adds one column of 256 levels to the recovery file. Raises
  // platform::Error naming the file and the reason.
  void KeepColumn(const std::string& receiver, int32_t mode, int64_t hz, const double* levels);
  // Empty until a column was kept.
  const std::filesystem::path& RecoveryPath() const { return recovery_; }
  // The table has a file of its own.
  bool Named() const { return !cal_.empty(); }

  // The table now lies in `calFile` and holds every column: the recovery
  // file goes, and a log kept in the spare folder joins the table's log.
  void Saved(const std::string& calFile);
  // The table is gone. Returns its recovery file, which stays (empty when
  // none was written), and forgets the table.
  std::filesystem::path Released();

 private:
  // A name in the spare folder, or beside the table, that no file has yet.
  std::filesystem::path FreshRecoveryPath() const;
  std::filesystem::path SpareStem() const;

  std::filesystem::path spareFolder_;
  bool bound_ = false;
  std::filesystem::path cal_;    // empty: no file yet
  std::filesystem::path stem_;   // of a table without a file, in the spare folder
  std::filesystem::path log_;
  std::filesystem::path recovery_;
};

// The program's own folder for the files of tables that have no file yet.
std::filesystem::path SpareAutoCalFolder();

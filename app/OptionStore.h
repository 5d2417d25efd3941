#pragma once
// Where the options live between runs: named values of three types (32-bit
// integer, UTF-8 string, bytes), as the registry keeps them on the
// workstation. TSettingsOptionStore is the real store over QSettings in the
// platform's native format (the registry on Windows, a .conf file
// elsewhere); TMemoryOptionStore serves the tests.
//
// ReadOptions/WriteOptions map the option set onto a store:
// - booleans as integers 0 and 1 (read back as true when non-zero);
// - "ViewMode", "ProcedureType" and "BackgroundColor" as integers;
// - the file names and directories as strings;
// - "PatientPainThreshold" as exactly 8 bytes, the IEEE-754 double in
//   little-endian order.
// A value that is missing, or stored with another type or size, leaves its
// option as it was (normally the default): a hand-edited or foreign value
// must not stop the program from starting, and guessing what it meant could
// be worse than the default.
//
// Thread: user-interface thread.

#include "app/Options.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

class QSettings;

namespace kestrava {

using TOptionBytes = std::vector<std::uint8_t>;

class IOptionStore {
public:
  virtual ~IOptionStore() = default;

  // Each read gives nothing when the value is missing or is not of the type
  // asked for.
  virtual std::optional<std::int32_t> ReadInteger(const std::string& Name) const = 0;
  virtual std::optional<std::string> ReadString(const std::string& Name) const = 0;
  virtual std::optional<TOptionBytes> ReadBinary(const std::string& Name) const = 0;

  // Each write replaces the value, whatever its type was.
  virtual void WriteInteger(const std::string& Name, std::int32_t Value) = 0;
  virtual void WriteString(const std::string& Name, const std::string& Value) = 0;
  virtual void WriteBinary(const std::string& Name, const TOptionBytes& Value) = 0;

  // Makes every write so far permanent (before the machine powers off, say).
  // False when the store could not be written.
  virtual bool Flush() = 0;
};

using TOptionValue = std::variant<std::int32_t, std::string, TOptionBytes>;

// The values in memory, with the types they were written with; a test can
// write a value of the wrong type under any name.
class TMemoryOptionStore final : public IOptionStore {
public:
  std::optional<std::int32_t> ReadInteger(const std::string& Name) const override;
  std::optional<std::string> ReadString(const std::string& Name) const override;
  std::optional<TOptionBytes> ReadBinary(const std::string& Name) const override;
  void WriteInteger(const std::string& Name, std::int32_t Value) override;
  void WriteString(const std::string& Name, const std::string& Value) override;
  void WriteBinary(const std::string& Name, const TOptionBytes& Value) override;
  bool Flush() override { return true; }

  const std::map<std::string, TOptionValue>& Values() const { return Values_; }

private:
  std::map<std::string, TOptionValue> Values_;
};

inline constexpr const char* OptionsOrganisation = "Qel Medical Systems";
// The per-user options.
inline constexpr const char* UserOptionsApplication = "Kestrava V4.5";
// The machine-wide key naming the hardware driver.
inline constexpr const char* HardwareOptionsApplication = "Endoscope Imager Hardware";
inline constexpr const char* DriverIdName = "Driver ID";

// Values kept by QSettings in native format, without QSettings' fallbacks to
// other scopes or to organisation-wide values: each key is read on its own,
// as the registry reads it.
//
// In a .conf file (not Windows) every integer reads back as text, so an
// integer read accepts an integer value or a text that is entirely a decimal
// integer within 32 bits; anything else (a fraction, letters, bytes) is of
// the wrong type. Strings and bytes are told apart by QSettings itself.
//
// On Windows QSettings keeps a byte array in the registry in its own text
// form rather than as a plain REG_BINARY, so there the threshold written by
// another program is not read back (it keeps its default); a Windows build
// that must share the registry values exactly needs a registry store of its
// own behind IOptionStore.
class TSettingsOptionStore final : public IOptionStore {
public:
  // Organisation OptionsOrganisation, application UserOptionsApplication, in
  // the user's scope; created on the first write.
  static std::unique_ptr<TSettingsOptionStore> User();
  // Application HardwareOptionsApplication in the system scope, read only
  // (the program never writes the hardware key).
  static std::unique_ptr<const TSettingsOptionStore> Machine();

  // Over any QSettings (a file of a test, say); the store turns its
  // fallbacks off.
  explicit TSettingsOptionStore(std::unique_ptr<QSettings> Settings);
  ~TSettingsOptionStore() override;
  TSettingsOptionStore(const TSettingsOptionStore&) = delete;
  TSettingsOptionStore& operator=(const TSettingsOptionStore&) = delete;

  std::optional<std::int32_t> ReadInteger(const std::string& Name) const override;
  std::optional<std::string> ReadString(const std::string& Name) const override;
  std::optional<TOptionBytes> ReadBinary(const std::string& Name) const override;
  void WriteInteger(const std::string& Name, std::int32_t Value) override;
  void WriteString(const std::string& Name, const std::string& Value) override;
  void WriteBinary(const std::string& Name, const TOptionBytes& Value) override;
  bool Flush() override;

  // The file or registry path behind the store, for messages and tests.
  std::string Location() const;

private:
  std::unique_ptr<QSettings> Settings_;
};

// Reads every option present in User into Options; the others keep their
// values. A "ViewMode" outside 0 to 2 or a threshold that is not a finite
// number counts as wrongly typed.
void ReadOptions(const IOptionStore& User, TOptions& Options);
// Writes all 23 options.
void WriteOptions(IOptionStore& User, const TOptions& Options);

// The "Driver ID" of the machine-wide hardware key, when it is a class
// identifier in brace form ({xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}, either
// case); anything else names no driver.
std::optional<std::string> ReadDriverId(const IOptionStore& Machine);

} // namespace kestrava

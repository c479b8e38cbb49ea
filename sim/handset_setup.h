// The steps of putting a new default handset in a home, safe while other processes do the same:
// the handset is made whole in a folder beside the home, then put in place, and nothing another
// process made is ever removed or replaced.
#pragma once

#include <filesystem>

namespace sim {

class HandsetSetup {
 public:
  // What PutInPlace did.
  enum class Result {
    // The handset made aside is the home's handset now.
    kPlaced,
    // The home held a handset by then (made by another process): the one made aside is gone.
    kHomeHoldsOne,
  };

  // Checks the default handset's data and that the home is a folder or missing; throws
  // HandsetInitError naming what is wrong.
  explicit HandsetSetup(std::filesystem::path home);
  // Removes the handset made aside unless it was put in place.
  ~HandsetSetup();
  HandsetSetup(const HandsetSetup&) = delete;
  HandsetSetup& operator=(const HandsetSetup&) = delete;

  // Makes the default handset in a new folder beside the home, on the same file system: fs/
  // (without the ".keep" files), handset.toml and a registry.db with registry.reg imported.
  // Leaves no handset current. Throws HandsetInitError, having removed that folder, when it
  // cannot.
  void MakeAside();
  // Puts the handset made aside in place: a missing home becomes it in one rename; a home
  // folder that holds no handset gets its parts (an existing part is never replaced). A home
  // that holds a handset by now keeps it, and the one made aside is removed. Throws
  // HandsetInitError when the parts cannot be moved (those moved are moved back).
  Result PutInPlace();
  // The folder the handset is made in; empty before MakeAside and once it is gone.
  const std::filesystem::path& aside() const { return aside_; }

 private:
  void Discard();
  bool MoveParts();

  std::filesystem::path home_;
  std::filesystem::path aside_;
};

}  // namespace sim

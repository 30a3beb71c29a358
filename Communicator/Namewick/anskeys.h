// CANSKeys: the keys that name servers gave this agent for the names it
// holds (see ansprotocol.h), which the agent shows with its later requests
// about those names -- also after a restart.
//
// A key is kept in memory and in the file "anskeys" of the working
// directory, where the framework keeps its other state (the UUID
// generator's "nodeid" and "state"): an agent started again the way it was
// started before -- in its directory, under its name, at its host and
// port -- finds its keys there and still holds its names, so that it may
// withdraw or move them; a stranger has no such file. A key is shown only
// at the place it was given for: another agent of the same name started in
// the same directory at another port does not pass for the holder.
//
// One line a key:  SERVER NAME HOST PORT KEY  where SERVER is the name
// server's "host:port" and every field a word as ansprotocol::is_word takes
// it; lines that do not read so are dropped when the file is next written.
// The file is readable by its owner only, and a file of another owner is
// not used. Agents that share a directory take turns through a lock on the
// file, waited for a moment at most. At most kMaxKeys keys are kept, the
// oldest going first. When the file cannot be used, the keys stay in
// memory and error() says why.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CANSKeys {
 public:
  static constexpr const char* kFileName = "anskeys";
  static constexpr size_t kMaxKeys = 256;

  // A name held with a name server, and the holder's place.
  struct Holding {
    std::string server;  // the name server's "host:port"
    std::string name;
    std::string host;
    unsigned port = 0;
  };
  // A key and what it was given for.
  struct Kept {
    Holding held;
    std::string key;
  };

  // Keeps the keys in the file `path` (relative paths from the working
  // directory of each call) and in memory; "" keeps them in memory only.
  explicit CANSKeys(std::string path = kFileName);

  // The key kept for `held` at its place; "" without one.
  std::string find(const Holding& held);
  // Keeps `key` for `held` in place of any key kept for its server and
  // name. False when the file could not be written (error()); the key is
  // kept in memory all the same.
  bool keep(const Holding& held, const std::string& key);
  // Forgets the key kept for the server and name of `held`. False when the
  // file could not be written (error()).
  bool forget(const Holding& held);

  // Why the file could not be used by the last call; "" when it could.
  const std::string& error() const { return error_; }

 private:
  // Rewrites the file under its lock: its keys less the one of `held`'s
  // server and name, then `added`, if any.
  bool rewrite(const Holding& held, const Kept* added);
  bool fail(const std::string& what);

  std::string path_;
  std::vector<Kept> memory_;
  std::string error_;
};

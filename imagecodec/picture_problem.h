#pragma once
// What kept a picture file from being read, as data: the front ends word it for their users.
#include <string>

enum class PictureFault {
  None,
  Missing,  // nothing of that name, or a link to nothing
  Folder,
  NotRegularFile,  // a named pipe, a device, a socket
  NoPermission,
  LinkLoop,
  Unreadable,  // any other failure of the system, in `detail`
  NotAPicture,
  NotTwoToOne,  // `width` x `height` is not twice as wide as high
  CutShort,     // the file ends before its picture does
  Damaged,      // the picture's data are corrupt, `detail` says how
  TooLarge,     // the rows needed would hold too many pixels; `width` x `height` is their size
  OutOfMemory,
};

struct PictureProblem {
  PictureFault fault = PictureFault::None;
  int width = 0;
  int height = 0;
  std::string detail;  // the system's or the decoding library's own words, where it has any
};

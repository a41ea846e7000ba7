#pragma once
// libjpeg's errors kept for the caller: a fatal error ends by jumping back to where the
// caller set `jump`, with its code and words; the decoder also keeps the first warning that
// picture data were lost (a picture with grey rows in it is no picture to draw a map from).
#include <csetjmp>
#include <cstdio>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

struct JpegErrorTrap {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int fatalCode = 0;
  int damageCode = 0;
  char message[JMSG_LENGTH_MAX] = {};

  // Sets the trap up as `info`'s error handler.
  template <typename Info>
  void Catch(Info& info, bool keepDamage) {
    info.err = jpeg_std_error(&pub);
    pub.error_exit = ExitOnError;
    pub.emit_message = keepDamage ? KeepDamage : Quiet;
  }

 private:
  static JpegErrorTrap& Of(j_common_ptr info) { return *reinterpret_cast<JpegErrorTrap*>(info->err); }

  static void ExitOnError(j_common_ptr info) {
    JpegErrorTrap& trap = Of(info);
    trap.fatalCode = info->err->msg_code;
    (*info->err->format_message)(info, trap.message);
    std::longjmp(trap.jump, 1);
  }

  static void KeepDamage(j_common_ptr info, int level) {
    JpegErrorTrap& trap = Of(info);
    const int code = info->err->msg_code;
    if (level >= 0 || trap.damageCode != 0) return;
    if (code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE || code == JWRN_MUST_RESYNC ||
        code == JWRN_JPEG_EOF) {
      trap.damageCode = code;
      (*info->err->format_message)(info, trap.message);
    }
  }

  static void Quiet(j_common_ptr, int) {}
};

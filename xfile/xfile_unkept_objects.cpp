#include "xfile/xfile_unkept_objects.h"

namespace {

constexpr std::size_t kMinWeightBytes = 4;  // "0,0;"

// Rotation (4 values), scale and position (3), and two kinds of matrix (16); the 3-value
// keys end like vectors, the others with an extra ';'.
struct KeyShape {
  int values;
  bool semicolon;
};
constexpr KeyShape kKeyShapes[] = {{4, true}, {3, false}, {3, false}, {16, true}, {16, true}};

void CheckAnimationKey(XTextCursor& in) {
  in.ReadObjectHead();
  const std::int64_t keyType = in.ReadInt();
  const std::int64_t keyCount = in.ReadInt();
  if (keyCount < 0) in.Fail("negative number of animation keys");
  if (keyType < 0 || keyType > 4) in.Fail("unknown animation key type " + std::to_string(keyType));
  const KeyShape shape = kKeyShapes[keyType];
  for (std::int64_t i = 0; i < keyCount; ++i) {
    in.ReadInt();  // time
    if (in.ReadInt() != shape.values) in.Fail("an animation key has the wrong number of values");
    for (int v = 0; v < shape.values; ++v) in.ReadFloat();
    if (shape.semicolon) {
      in.ExpectSemicolon();
    } else {
      in.TestForSeparator();
    }
    in.ExpectSeparator();
  }
  in.ExpectClosingBrace();
}

void CheckAnimation(XTextCursor& in) {
  in.ReadObjectHead();
  for (;;) {
    const std::string_view token = in.NextToken();
    if (token.empty()) in.Fail("the file ends inside an Animation");
    if (token == "}") return;
    if (token == "AnimationKey") {
      CheckAnimationKey(in);
    } else if (token == "{") {
      in.NextToken();  // the animated frame's name
      in.ExpectClosingBrace();
    } else {
      in.SkipObject();
    }
  }
}

}  // namespace

void CheckSkinMeshHeader(XTextCursor& in) {
  in.ReadObjectHead();
  for (int i = 0; i < 3; ++i) in.ReadInt();
  in.ExpectClosingBrace();
}

void CheckSkinWeights(XTextCursor& in, std::uint32_t vertexCount) {
  in.ReadObjectHead();
  in.ReadString();  // the bone's frame
  const std::uint32_t count = in.ReadCount(kMinWeightBytes, "skin weights");
  for (std::uint32_t i = 0; i < count; ++i) in.ReadIndex(vertexCount, "skin weight vertex");
  for (std::uint32_t i = 0; i < count + 16; ++i) in.ReadFloat();  // weights, then the bone's offset
  in.ExpectSemicolon();
  in.ExpectClosingBrace();
}

void CheckAnimationSet(XTextCursor& in) {
  in.ReadObjectHead();
  for (;;) {
    const std::string_view token = in.NextToken();
    if (token.empty()) in.Fail("the file ends inside an AnimationSet");
    if (token == "}") return;
    if (token == "Animation") {
      CheckAnimation(in);
    } else {
      in.SkipObject();
    }
  }
}

void CheckAnimTicksPerSecond(XTextCursor& in) {
  in.ReadObjectHead();
  in.ReadInt();
  in.ExpectClosingBrace();
}

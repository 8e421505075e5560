// The annotation labels that code refers to, as named constants. A model may
// carry other labels; those are kept untouched.
#pragma once

namespace QV_Labels {
inline constexpr const char* LeftForehead = "LEFT FOREHEAD";
inline constexpr const char* RightForehead = "RIGHT FOREHEAD";
inline constexpr const char* LeftCheek = "LEFT CHEEK";
inline constexpr const char* RightCheek = "RIGHT CHEEK";
inline constexpr const char* LeftIris = "LEFT IRIS";
inline constexpr const char* RightIris = "RIGHT IRIS";
inline constexpr const char* LeftJaw = "LEFT JAW";
inline constexpr const char* RightJaw = "RIGHT JAW";
inline constexpr const char* LeftEar = "LEFT EAR";
inline constexpr const char* RightEar = "RIGHT EAR";
inline constexpr const char* LeftNose = "LEFT NOSE";
inline constexpr const char* RightNose = "RIGHT NOSE";
inline constexpr const char* LeftEye = "LEFT EYE";
inline constexpr const char* RightEye = "RIGHT EYE";
inline constexpr const char* BrowRidge = "BROW RIDGE";
inline constexpr const char* Nostrils = "NOSTRILS";
inline constexpr const char* Nose = "NOSE";
inline constexpr const char* NoseTip = "NOSE TIP";
inline constexpr const char* Neck = "NECK";
inline constexpr const char* Head = "HEAD";
inline constexpr const char* NoseBridge = "NOSE BRIDGE";
inline constexpr const char* Mouth = "MOUTH";
inline constexpr const char* OuterMouth = "OUTER MOUTH";
inline constexpr const char* InnerMouth = "INNER MOUTH";
inline constexpr const char* Face = "FACE";
inline constexpr const char* HeadSide = "HEAD SIDE";
inline constexpr const char* Eyes = "EYES";
inline constexpr const char* Eye = "EYE";
inline constexpr const char* Body = "BODY";
inline constexpr const char* None = "NONE";
}  // namespace QV_Labels

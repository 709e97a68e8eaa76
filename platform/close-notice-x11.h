#pragma once
// How the close notice travels on X11, shared by the sender and the toolkit's watch: the record
// goes into the property CVL_COPYDATA (type CVL_COPYDATA, 8-bit) of the target window, then a
// CVL_COPYDATA client message with l[0] = wParam, l[1] = dataTag, l[2] = the record's size tells
// the window it is there.
namespace platform {

inline constexpr char kCloseNoticeAtom[] = "CVL_COPYDATA";

}  // namespace platform

#pragma once
// Result codes of the image operations and image files: 0 (or a positive
// value) for success, negative for failure. The page view turns the negative
// codes into messages.
namespace imaging {

inline constexpr int kResultOk = 0;
inline constexpr int kResultNoMemory = -1;      // a work buffer could not be allocated
inline constexpr int kResultCannotOpen = -9;    // a file could not be opened (again)
inline constexpr int kResultCannotWrite = -12;  // saving or writing a file failed
inline constexpr int kResultBadFile = -14;      // a file did not read back as expected
inline constexpr int kResultBadImage = -15;     // no bitmap, or not the depth the operation needs
inline constexpr int kResultBadValue = -16;     // a size, factor or resolution out of range

}  // namespace imaging

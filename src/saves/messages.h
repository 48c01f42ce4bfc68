#pragma once

// The fixed texts the save routines hand to a window. CR LF is the line break
// of a message box.
namespace quillbox::saves::messages {

inline constexpr const char* kXportV1 =
    "Save file is an Xport V1 save with the V2 header and extension, it contains no icon data";
inline constexpr const char* kNameTooLong =
    "An error has occured, the save contains a filename larger than 31 characters and may be "
    "corrupt.\r\nPlease contact varnel and include the save your were working with.";
inline constexpr const char* kMayBeCorrupt =
    "An error has occured, the save may be corrupt.\r\nPlease contact varnel and include the "
    "save your were working with.";
inline constexpr const char* kLoadFirst = "Please load a save first";
inline constexpr const char* kExtracted = "Data successfully extracted";

}  // namespace quillbox::saves::messages

// The content-plugin interface of the file manager: the functions the host
// calls, their calling convention and the codes they return.
#ifndef ZMK_PLUGIN_CONTENT_PLUGIN_H_
#define ZMK_PLUGIN_CONTENT_PLUGIN_H_

#include <cstdint>

#ifdef _WIN32
#define DCPCALL __stdcall
#define ZMK_EXPORT  // exported by name and ordinal through the .def file
#else
#define DCPCALL
#define ZMK_EXPORT __attribute__((visibility("default")))
#endif

namespace zmk {

// Field types, as ContentGetSupportedField and ContentGetValue return them.
enum FieldType : int {
  ft_nomorefields = 0,
  ft_numeric_32 = 1,
  ft_date = 4,
  ft_boolean = 6,
  ft_string = 8,
  ft_stringw = 11,  // UTF-16, through ContentGetValueW
};

// Other results of ContentGetValue.
enum ValueResult : int {
  ft_nosuchfield = -1,
  ft_fileerror = -2,
  ft_fieldempty = -3,
};

// The date form: year, month, day.
struct HostDate {
  std::uint16_t wYear;
  std::uint16_t wMonth;
  std::uint16_t wDay;
};

}  // namespace zmk

extern "C" {
typedef void(DCPCALL* ContentGetDetectStringFunc)(char* DetectString,
                                                  int MaxLen);
typedef int(DCPCALL* ContentGetSupportedFieldFunc)(int FieldIndex,
                                                   char* FieldName,
                                                   char* Units, int MaxLen);
typedef int(DCPCALL* ContentGetValueFunc)(const char* FileName,
                                          int FieldIndex, int UnitIndex,
                                          void* FieldValue, int MaxLen,
                                          int Flags);
#ifdef _WIN32
typedef int(DCPCALL* ContentGetValueWFunc)(const wchar_t* FileName,
                                           int FieldIndex, int UnitIndex,
                                           void* FieldValue, int MaxLen,
                                           int Flags);
#endif
}

#endif  // ZMK_PLUGIN_CONTENT_PLUGIN_H_

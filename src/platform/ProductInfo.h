#pragma once

// What the product says about itself; every place that shows one of these reads it here.
namespace ProductInfo {

inline constexpr char kName[] = "Pinvelle";
inline constexpr char kVersion[] = "2.1";
// The publisher's web address, shown in the main window's title.
inline constexpr char kPublisherAddress[] = "www.pinvelle.example";
// Base address of the notes web site when neither --site nor the settings name one.
inline constexpr char kDefaultSite[] = "https://notes.pinvelle.example/";

} // namespace ProductInfo

#pragma once

// What the product says about itself; every place that shows one of these reads it here.
namespace ProductInfo {

inline constexpr char kName[] = "Pinvelle";
inline constexpr char kVersion[] = "2.1";
// The publisher's web address, shown in the main window's title.
inline constexpr char kPublisherAddress[] = "www.pinvelle.example";
// The maker's web site, without a trailing slash; the help page lives under it.
inline constexpr char kMakerWebSite[] = "https://www.pinvelle.example";
// The help page under the maker's web site.
inline constexpr char kHelpPage[] = "/pinvellequill.htm?help";
// Who made the program, shown in the about box one per line.
inline constexpr const char *kCreditLines[] = {
    "Written by the Pinvelle developers",
    "Contact: pinvelle@pinvelle.example",
    "https://www.pinvelle.example",
};
// Where users send their suggestions.
inline constexpr char kSuggestionsAddress[] = "suggestions@pinvelle.example";
// Base address of the notes web site when neither --site nor the settings name one.
inline constexpr char kDefaultSite[] = "https://notes.pinvelle.example/";

} // namespace ProductInfo

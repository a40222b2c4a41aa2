// Every text the desktop program shows, in one place. UTF-8; QString takes them as they are.
#pragma once

namespace tomeshift::app::text {

// Product
inline constexpr char kProductName[] = "Quorvel Tomeshift";
inline constexpr char kRightsNotice[] = "Copyright (C) 2026 The Tomeshift developers. All rights reserved.";
inline constexpr char kWebsite[] = "https://tomeshift.quorvel.example/";
inline constexpr char kEmail[] = "support@quorvel.example";
inline constexpr char kLegalNotice[] =
    "This program is provided \"as is\", without warranty of any kind. Check every document it produces "
    "before you print or publish it. The help files you convert remain the property of their authors.";
inline constexpr char kAboutCaption[] = "About ";
inline constexpr char kWebsiteLabel[] = "Website: ";
inline constexpr char kEmailLabel[] = "E-Mail:";
inline constexpr char kMailtoScheme[] = "mailto:";
inline constexpr char kOk[] = "OK";
inline constexpr char kCancel[] = "Cancel";
inline constexpr char kClose[] = "Close";
inline constexpr char kBoxInformation[] = "Information";
inline constexpr char kBoxConfirm[] = "Confirm";
inline constexpr char kBoxWarning[] = "Warning";
inline constexpr char kBoxError[] = "Error";

// Main window: labels
inline constexpr char kSourceFileLabel[] = "CHM File:";
inline constexpr char kWordFileLabel[] = "Word document:";
inline constexpr char kTitleLabel[] = "Document Title:";
inline constexpr char kLanguageLabel[] = "Language:";
inline constexpr char kPaperSizeLabel[] = "Paper Size:";
inline constexpr char kHeightLabel[] = "Height:";
inline constexpr char kWidthLabel[] = "Width:";
inline constexpr char kMarginsLabel[] = "Margins (mm):";
inline constexpr char kTopLabel[] = "Top:";
inline constexpr char kBottomLabel[] = "Bottom:";
inline constexpr char kLeftLabel[] = "Left:";
inline constexpr char kRightLabel[] = "Right:";
inline constexpr char kCover[] = "Cover";
inline constexpr char kHeader[] = "Header";
inline constexpr char kFooter[] = "Footer";
inline constexpr char kToc[] = "Table of contents";
inline constexpr char kShowLevelLabel[] = "Show level:";
inline constexpr char kCaptionLabel[] = "Caption:";
inline constexpr char kTitleNumber[] = "Add title number";
inline constexpr char kHint[] = "Add hint after hyperlinks";
inline constexpr char kHintFormatLabel[] = "Hint format:";
inline constexpr char kStartNewPageLabel[] = "Start new page:";
inline constexpr char kDiscard[] = "Discard";
inline constexpr char kExactPages[] = "Exact page numbers (LibreOffice)";
inline constexpr char kExactPagesTip[] =
    "Lay the document out in LibreOffice, when it is installed, so that the table of contents shows the pages a "
    "reader sees; without it the page numbers are estimated.";
inline constexpr char kIntegrate[] = "Integrate into";
inline constexpr char kPanesLabel[] = "Panes:";
inline constexpr char kMagnificationLabel[] = "Magnification:";
inline constexpr char kPageLayoutLabel[] = "Page layout:";

// Main window: groups
inline constexpr char kGroupElements[] = "Elements";
inline constexpr char kGroupPageSetup[] = "Page setup";
inline constexpr char kGroupEnhancement[] = "Enhancement";
inline constexpr char kGroupTopicsOutOfToc[] = "Topics out of TOC";
inline constexpr char kGroupPdf[] = "PDF";

// Main window: item lists (order matters: indexes are stored)
inline constexpr char kAutomatic[] = "[Automatic]";
inline constexpr const char* kPaperSizes[] = {"Letter", "Tabloid", "Legal", "A3", "A4", "B5", "Custom Size..."};
inline constexpr const char* kStartNewPageItems[] = {"Continuous", "For first level topics", "For each  topic"};
inline constexpr const char* kPanesItems[] = {"Page only", "Bookmarks and page", "Thumbnails and page"};
inline constexpr const char* kMagnificationItems[] = {"Default", "Fit in window", "Fit width", "Fit visible",
                                                      "Zoom factor(100%)"};
inline constexpr const char* kPageLayoutItems[] = {"Default", "Single page", "Continuous", "Continuous facing"};

// Main window: buttons and menus
inline constexpr char kConvert[] = "Convert";
inline constexpr char kHeadingStyles[] = "Heading Styles..";
inline constexpr char kBrowse[] = "..";
inline constexpr char kView[] = "View";
inline constexpr char kFolder[] = "Folder";
inline constexpr char kMenuProject[] = "&Project";
inline constexpr char kMenuSaveSettings[] = "Save Current Settings";
inline constexpr char kMenuLoadOriginal[] = "Load Original Settings";
inline constexpr char kMenuConvert[] = "Convert...";
inline constexpr char kMenuExit[] = "Exit";
inline constexpr char kMenuAbout[] = "&About";
inline constexpr char kMenuHelp[] = "Help";
inline constexpr char kMenuAboutItem[] = "About";

// Main window: dialogs and messages
inline constexpr char kOpenTitle[] = "Select the CHM file you want to converte";
inline constexpr char kOpenFilter[] = "CHM Files (*.chm)";
inline constexpr char kSaveTitle[] = "Convert to";
inline constexpr char kSaveFilter[] = "Word Document (*.doc *.docx);;PDF (*.pdf)";
inline constexpr char kOnlyChm[] = "Only accept .chm file!";
inline constexpr char kNoHelpFileLoaded[] =
    "No help file is loaded. Choose an existing .chm file as \"CHM File:\" first.";
inline constexpr char kHelpFileName[] = "tomeshift.chm";
inline constexpr char kHelpMissing[] = "The help file \"%1\" was not found.";
inline constexpr char kNoChmViewer[] =
    "No program for viewing help files (.chm) is installed. Install one, for example xchm or kchmviewer, "
    "and choose Help again. The help file is \"%1\".";
inline constexpr char kCannotOpen[] = "\"%1\" could not be opened: no program is set up for it.";
inline constexpr char kSettingsFailed[] = "The settings could not be stored: %1";
inline constexpr char kSettingsMovedAside[] =
    "The settings file could not be read and was kept as \"%1\". The original settings are used.";
inline constexpr char kHelpFileUnreadable[] = "\"%1\" could not be read as a help file: %2";
inline constexpr char kScratchCopyFailed[] = "\"%1\" could not be copied to a scratch file: %2";
inline constexpr char kFileNotFound[] = "File not found: %1";
inline constexpr char kChooseAnotherOutput[] = "%1\n\nDo you want to choose another place for the document?";
inline constexpr char kSettingsOutOfRange[] =
    "Some values in the settings file \"%1\" were out of range; their original values are used:\n%2";

// Progress window
inline constexpr char kClipboardWarning[] = "Meanwhile, please don't use the system Clipboard.";
inline constexpr char kDeniedSuffix[] = " access denied! It probably has been opened. Please close it and retry.";
inline constexpr char kAskCancelRun[] = "A conversion is running. Do you want to cancel it?";
inline constexpr char kUserCanceled[] = "User canceled!";
inline constexpr char kEndSaved[] = "The document has been saved:";
inline constexpr char kEndNotSaved[] = "The document was not saved.";
inline constexpr char kEndFailed[] = "The conversion failed.";
inline constexpr char kEndCanceled[] = "Canceled.";
inline constexpr char kNothingWritten[] = "Nothing was written.";
inline constexpr char kNoProgramFor[] = "No program is set up to open .%1 files.";
inline constexpr char kOpenDocument[] = "Open";
inline constexpr char kShowInFolder[] = "Show in Folder";
inline constexpr char kOneWarning[] = "1 warning";
inline constexpr char kWarnings[] = "%1 warnings";

// Heading styles and font dialog
inline constexpr char kHeadingStylesCaption[] = "Heading styles";
inline constexpr char kLevelButton[] = "Level ";
inline constexpr char kFontDialogCaption[] = "Leve ";
inline constexpr char kPreviewPrefix[] = "Level";
inline constexpr char kFontNameLabel[] = "Font Name:";
inline constexpr char kSizeLabel[] = "Size:";
inline constexpr char kColorLabel[] = "Color:";
inline constexpr char kStyleGroup[] = "Style";
inline constexpr char kBold[] = "Bold";
inline constexpr char kItalic[] = "Italic";
inline constexpr char kUnderline[] = "Underline";
inline constexpr char kPreviewGroup[] = "Preview";
inline constexpr char kCustomColor[] = "Custom...";

}  // namespace tomeshift::app::text

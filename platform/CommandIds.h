#pragma once
// The identities of commands and controls. Menus, tool bars, accelerators and context menus
// all route by these numbers: the active view first, then the document, then the frame.
namespace cmd {

enum CommandId : int {
    // Tools and drawing attributes (the tools bar).
    SelectTool = 1037,
    LineTool = 1038,
    CircleTool = 1006,
    EllipseTool = 1007,
    RectangleTool = 1008,
    TriangleTool = 1009,
    PenTool = 1010,
    InsertPicture = 1011,
    OutlineColorStatic = 1013,
    TextTool = 1014,
    Font = 1015,
    FillColor = 1016,
    FillColorStatic = 1017,
    OutlineColor = 1018,
    EditTracks = 1033,
    ShowTracks = 1034,
    PrintOverHole = 1035,
    PrintBorders = 1036,

    // The text editor's control.
    TextEditorControl = 1999,

    // Edit commands.
    Delete = 32797,
    PasteAtContextPoint = 32800,
    SendToBack = 32801,
    BringToFront = 32802,
    ZoomIn = 32816,
    ZoomOut = 32817,
    AddGalleryPictureFitPage = 32824,
    AddGalleryPicture = 32826,
    FitEntireLabel = 32829,
    AddGalleryPictureFitSpine = 32847,
    AddGalleryPictureFitFront = 32848,
    AddGalleryPictureFitBack = 32849,
    FitSpine = 32850,
    FitFront = 32851,
    FitBack = 32852,
    RotateLeft = 32853,  // +90 degrees
    RotateRight = 32854, // -90 degrees
    AlignLeft = 32856,
    AlignCenter = 32857,
    AlignRight = 32858,
    BackgroundColor = 32859,
    HelpTopics = 32843,
    Copy = 57634,
    Cut = 57635,
    Paste = 57637,
};

} // namespace cmd

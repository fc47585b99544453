#pragma once

#include <exception>
// What the main window's model needs done on screen, implemented by its view. The
// model calls these from its handlers; a test answers them with a recording double.
// Dialogs of their own (the editor, the options, the change-icon dialog) are added
// here with their models.

namespace pallisar {

class TfmGlide;
class OptionsHost;

class MainWindowHost {
  public:
    virtual ~MainWindowHost() = default;
    // Minimises the application, which hides it to the tray.
    virtual void MinimizeApplication() = 0;
    // Shows the main window again in its former size, in front.
    virtual void RestoreApplication() = 0;
    // Takes the application off the taskbar (its window hidden; the tray icon stays).
    virtual void HideApplicationWindow() = 0;
    // Hands an error to the application's error handling (OnException or the error
    // box) and returns when the user has seen it.
    virtual void ReportError(const std::exception_ptr& error) = 0;
    // Takes the window down once the current handler is done (FormClose has run).
    virtual void CloseWindow() = 0;
    // Removes the tray icon (the first step of FormClose).
    virtual void DeactivateTrayIcon() = 0;
    // The list, its image lists and the tray menu were loaded again.
    virtual void GameListLoaded() = 0;
    // The caption, the view style or a menu's state changed.
    virtual void StateChanged() = 0;
    // Shows the game editor modally over the window, as it is set up; true when the
    // user closed it with OK (its btnOKClick accepted), false for Cancel.
    virtual bool ShowEditor(TfmGlide& editor) = 0;
    // The Options dialog and the change-icon dialog it opens, over the window.
    virtual OptionsHost& OptionsDialogs() = 0;
    // The application icon changed (ApplicationIcon): the window and the tray icon
    // show it (the built-in icon when there is none).
    virtual void IconsChanged() = 0;
};

}  // namespace pallisar

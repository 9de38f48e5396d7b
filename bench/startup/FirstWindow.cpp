// The floor for start-up: a program that opens one window with the same
// library, as large as the checking window, and ends once it is on screen.
#include "gui/Application.h"
#include "gui/Window.h"

int main() {
    gui::TWindow window;
    window.SetCaption("first window");
    window.SetBounds(0, 0, 366, 62);
    window.Show();
    gui::Application()->ProcessMessages();
    return 0;
}

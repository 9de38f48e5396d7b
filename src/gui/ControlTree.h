#pragma once
// What the control, window and application files share: the handle table,
// the modal-loop stack and the message walks over a control tree.
#include "gui/Window.h"

#include <unordered_map>
#include <vector>

namespace gui::internal {

std::unordered_map<HWND, TControl*>& Handles();
// The windows that run a modal loop, innermost last: input reaches only the
// innermost one (and windows above it).
std::vector<TWindow*>& ModalStack();
bool InputAllowed(TWindow* window);
// Sends the message to every control below `control`.
void Broadcast(TControl* control, TMessage& message);
// Offers the message to the controls below until one answers it.
bool DialogKey(TControl* control, TMessage& message);
void CollectTabStops(TControl* control, std::vector<TControl*>& out);

} // namespace gui::internal

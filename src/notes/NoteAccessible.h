#pragma once

// Screen readers see a note's painted title, title-bar buttons and text as if they were widgets.
// The interfaces are made only when an assistive technology asks for them; call once at start.
void InstallNoteAccessibility();

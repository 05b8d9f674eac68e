#pragma once
// The link's messages shown as the toolkit's boxes. The panel is the lowest layer that sees
// both; every program that talks to the controller through the link (the panel's, the demo,
// the tests) calls this once at start.

// The link's echo and "TRUE"/"FALSE" become the toolkit's ShowMessage, its error boxes
// toolkit::MessageBoxA: both through the one presenter every box of the program passes.
void BindLinkToToolkit();

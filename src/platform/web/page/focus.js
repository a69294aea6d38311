// The keyboard's focus: Tab leaves the picture for the panel, whose controls then take Tab,
// Enter and Space as any page's would, and Esc or a press on the picture brings it back.
(() => {
'use strict';

const page = window.vxPage;
const nameField = 'name-entry';  // its keys go on to the editor: see entry.js
const controlKeys = new Set(['Tab', 'Enter', ' ']);

function isPanelControl(target) {
  return target instanceof HTMLElement && target !== page.canvas && target.id !== nameField &&
    target.matches('button, input, select, textarea, a[href]');
}

// Ahead of the editor's own key handler, which would take every key it knows.
function onKeyDown(event) {
  if (!isPanelControl(event.target)) return;
  if (event.key === 'Escape') {
    event.preventDefault();
    event.stopPropagation();
    page.canvas.focus();
  } else if (controlKeys.has(event.key) && !event.ctrlKey && !event.altKey && !event.metaKey) {
    event.stopPropagation();
  }
}

// The editor keeps a press on the picture from the browser, which would otherwise have moved
// the focus there; a name being typed keeps its field.
function onPress() {
  if (document.getElementById('entry').hidden) page.canvas.focus();
}

page.startFocus = () => {
  window.addEventListener('keydown', onKeyDown, true);
  page.canvas.addEventListener('mousedown', onPress, true);
};
})();

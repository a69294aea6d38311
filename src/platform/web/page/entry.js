// Typing on any device: while the editor reads a name, a text field has the focus (a phone then
// shows its keyboard), and what is typed, pasted or composed there goes to the editor one
// character at a time, as the keys of a keyboard would.
(() => {
'use strict';

const page = window.vxPage;
const field = document.getElementById('name-entry');
const message = document.getElementById('entry-message');

// A key press as the editor's key handler takes it, which gives it to the name prompt.
function sendKey(key, more = {}) {
  document.dispatchEvent(new KeyboardEvent('keydown', { key, bubbles: true, cancelable: true, ...more }));
}

function sendText(text) {
  message.textContent = '';
  for (const character of text) {
    if (character === '\n' || character === '\r') sendKey('Enter');
    else sendKey(character);
  }
}

function takeField() {
  const text = field.value;
  field.value = '';
  if (text) sendText(text);
}

function isCharacterKey(event) {
  return [...event.key].length === 1 && !event.ctrlKey && !event.altKey && !event.metaKey;
}

// Ahead of the editor's own key handler: characters and paste keys typed in the field stay the
// field's, which hands them on as they land in it; editing keys and Enter go to the editor.
window.addEventListener('keydown', (event) => {
  if (event.target !== field) return;
  const paste = (event.ctrlKey || event.metaKey) && (event.key === 'v' || event.key === 'V');
  if (isCharacterKey(event) || paste || event.isComposing || event.key === 'Process' || event.key === 'Unidentified') {
    event.stopPropagation();
  }
}, true);

field.addEventListener('input', (event) => {
  if (!event.isComposing) takeField();
});
field.addEventListener('compositionend', takeField);
// A phone's keyboard may erase or end the line without a key event the editor could read.
field.addEventListener('beforeinput', (event) => {
  if (field.value !== '') return;
  if (event.inputType === 'deleteContentBackward') sendKey('Backspace');
  else if (event.inputType === 'insertLineBreak') sendKey('Enter');
  else return;
  event.preventDefault();
});

// The editor starts (1) or stops (0) reading a name.
page.lineEntry = (active) => {
  const box = document.getElementById('entry');
  field.value = '';
  message.textContent = '';
  box.hidden = !active;
  if (active) {
    page.catchUp();  // the name may be of a file another tab stored a moment ago
    field.focus();
  } else if (document.activeElement === field) {
    page.canvas.focus();
  }
};

// A character with no code page 437 form did not go in: say so rather than lose it unseen.
page.refused = (codePoint) => {
  message.textContent = `"${String.fromCodePoint(codePoint)}" cannot be typed: the editor has no such letter`;
};

page.sendKey = sendKey;
})();

// The key bar for a page without a keyboard: every key of the current mode, then the keys of
// every mode, made from the editor's own key tables, so a key added there shows here too.
(() => {
'use strict';

const page = window.vxPage;
const bar = () => document.getElementById('key-bar');
const extended = { H: ['ArrowUp', '↑'], K: ['ArrowLeft', '←'], M: ['ArrowRight', '→'], P: ['ArrowDown', '↓'] };
const control = { 0x1a: ['z', 'undo'], 0x19: ['y', 'redo'] };

// The DOM key a row's bytes come from, with the button's text; null for a key the bar leaves
// out (the window's close button, and Ctrl+Shift+Z beside Ctrl+Y).
function pressOf(bytes) {
  const [first, second] = bytes;
  if (bytes.length === 2 && first === 0xff) {
    const arrow = extended[String.fromCharCode(second)];
    return arrow ? { key: arrow[0], text: arrow[1] } : null;
  }
  if (bytes.length !== 1) return null;
  if (control[first]) return { key: control[first][0], ctrl: true, text: control[first][1] };
  if (first === 27) return { key: 'Escape', text: 'Esc' };
  if (first >= 32 && first < 127) return { key: String.fromCharCode(first), text: String.fromCharCode(first) };
  return null;
}

// The rows of one mode (or of every mode, -1) as buttons, one per key: a key with several
// meanings in its mode names them all.
function buttonsFor(rows) {
  const byKey = new Map();
  for (const row of rows) {
    const press = pressOf(row.key);
    if (!press) continue;
    const id = `${press.key}${press.ctrl ? '+ctrl' : ''}`;
    if (byKey.has(id)) byKey.get(id).does.push(row.does);
    else byKey.set(id, { press, named: row.named === 'arrow keys' ? press.text : row.named, does: [row.does] });
  }
  return [...byKey.values()].map(({ press, named, does }) => {
    const made = document.createElement('button');
    made.textContent = press.text;
    made.dataset.key = press.key;
    made.setAttribute('aria-label', `key ${named}: ${does.join('; ')}`);
    made.title = does.join('; ');
    // Never takes the focus from a pointer, so a name being typed keeps its field.
    made.addEventListener('pointerdown', (event) => event.preventDefault());
    made.addEventListener('click', () => page.sendKey(press.key, { ctrlKey: press.ctrl === true }));
    return made;
  });
}

function showKeys(mode, operating) {
  page.mode = mode;
  const rows = page.Module.vxKeyRows || [];
  const own = rows.filter((row) => row.mode === mode && row.during === operating);
  const every = rows.filter((row) => row.mode === -1);
  const gap = document.createElement('span');
  gap.className = 'key-gap';
  bar().replaceChildren(...buttonsFor(own), gap, ...buttonsFor(every));
  bar().dataset.mode = String(mode);
}

page.startKeyBar = () => {
  page.Module.vxMode = showKeys;
};
})();

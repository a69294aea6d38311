// The page around the editor: its start, the state in document.body.dataset.vxedit ("loading",
// "running", "ended"), the title and the warning before leaving with unsaved work, the picture's
// size, and the offline copy. The folder, the panel, touch, typing and links have files of
// their own; they meet in window.vxPage, so no name of the page meets one of the program's.
(() => {
'use strict';

const page = window.vxPage;
const canvas = (page.canvas = document.getElementById('screen'));
const panelWidth = 300;  // CSS pixels beside the picture, with the gap
const margin = 24;

function showState(state, text) {
  page.running = state === 'running';
  document.body.dataset.vxedit = state;
  document.getElementById('status').textContent = text;
  for (const id of ['open-model', 'save-as', 'download-model', 'copy-link']) document.getElementById(id).disabled = !page.running;
  document.getElementById('restart').hidden = state !== 'ended';
}

// Requests of the page's buttons; the editor takes them at its next poll.
page.ask = (request) => {
  Module.vxRequests.push(request);
  if (Module.vxWake) Module.vxWake();
};

function warnBeforeLeaving(event) {
  event.preventDefault();
  event.returnValue = '';
}

function showModelState(name, unsaved) {
  page.modelName = name.split('/').pop();
  document.body.dataset.unsaved = unsaved ? '1' : '0';
  if (unsaved) window.addEventListener('beforeunload', warnBeforeLeaving);
  else window.removeEventListener('beforeunload', warnBeforeLeaving);
}

// The largest whole multiple of 800×600 CSS pixels that fits beside (or, on a narrow screen,
// above) the panel; only when even one does not fit, the largest 4:3 size that does. The
// canvas keeps 800×600 pixels of its own, drawn sharp on every device pixel ratio.
function fitCanvas() {
  // The layout viewport's size: a phone's browser widens innerWidth to content that overflows.
  const viewWidth = document.documentElement.clientWidth;
  const viewHeight = document.documentElement.clientHeight;
  const beside = viewWidth >= 800 + panelWidth + margin;
  document.body.dataset.layout = beside ? 'beside' : 'below';
  const width = viewWidth - margin - (beside ? panelWidth : 0);
  const height = viewHeight - margin;
  const scale = Math.floor(Math.min(width / 800, height / 600));
  const shown = scale >= 1 ? 800 * scale : Math.max(80, Math.min(width, (height * 4) / 3));
  canvas.style.width = `${shown}px`;
  canvas.style.height = `${(shown * 3) / 4}px`;
}

const Module = (window.Module = {
  preRun: [() => page.mountFolder(Module)],
  vxRequests: [],
  vxFirstFrame() {
    document.body.dataset.firstFrameMs = String(Math.round(performance.now()));
    showState('running', 'The editor is running.');
    page.panelReady();
    page.openSharedModel();
  },
  vxEnded() {
    showState('ended', 'The editor has ended.');
    showModelState(page.modelName || '', false);
  },
  vxDownload: (name) => page.download(Module.FS.readFile(name), name),
  vxModelState: showModelState,
  vxLineEntry: (active) => page.lineEntry(active),
  vxRefused: (codePoint) => page.refused(codePoint),
  vxLinkReady: (path, written) => page.linkReady(path, written),
  print: (text) => console.log(text),
  printErr: (text) => console.error(text),
});
page.Module = Module;

document.getElementById('download-model').addEventListener('click', () => {
  page.ask({ kind: 'download' });
  canvas.focus();
});
// File mode's save under a typed name, as its keys would ask for it: the name field then opens.
document.getElementById('save-as').addEventListener('click', () => {
  page.sendKey('f');
  page.sendKey('a');
});
document.getElementById('copy-link').addEventListener('click', () => {
  page.copyLink();
  canvas.focus();
});
document.getElementById('restart').addEventListener('click', () => location.reload());
canvas.addEventListener('contextmenu', (event) => event.preventDefault());
window.addEventListener('resize', fitCanvas);
page.startPanel();
page.startFocus();
page.startTouch();
page.startKeyBar();
page.startMagnifier();
fitCanvas();
canvas.focus();
if ('serviceWorker' in navigator) {
  navigator.serviceWorker.register('sw.js').catch((error) => console.warn('vxedit: no offline copy', error));
}
})();

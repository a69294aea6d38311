// The page around the editor: its folder kept in IndexedDB, Open and Download, the canvas's
// scale, and the state in document.body.dataset.vxedit ("loading", "running", "ended").
// Everything stays inside one function, so no name of the page meets one of the program's.
(() => {
'use strict';

const folder = '/home/web';      // the editor's working folder; it survives reloads
const scratch = '/tmp/picked';   // opened files wait here, outside the kept folder
const canvas = document.getElementById('screen');
const openInput = document.getElementById('open-model');
const downloadButton = document.getElementById('download-model');
const restartButton = document.getElementById('restart');

function showState(state, text) {
  document.body.dataset.vxedit = state;
  document.getElementById('status').textContent = text;
  openInput.disabled = downloadButton.disabled = state !== 'running';
  restartButton.hidden = state !== 'ended';
}

// One write-back of the folder at a time; changes made meanwhile start another after it.
const keeper = { running: false, again: false, done: 0 };
function keepFolder() {
  if (keeper.running) {
    keeper.again = true;
    return;
  }
  keeper.running = true;
  Module.FS.syncfs(false, (error) => {
    if (error) console.error('vxedit: the folder could not be kept', error);
    keeper.running = false;
    keeper.done += 1;
    if (keeper.again) {
      keeper.again = false;
      keepFolder();
    } else {
      document.body.dataset.kept = String(keeper.done);  // scripts may wait on it
    }
  });
}

function inFolder(path) {
  return typeof path === 'string' && (!path.startsWith('/') || path.startsWith(folder + '/'));
}

// Calls later() after every rename, removal, and close of a file written, in the folder.
function watchFolder(FS, later) {
  const after = (name, touches) => {
    const original = FS[name];
    FS[name] = function (...args) {
      const result = original.apply(this, args);
      if (touches(...args)) later();
      return result;
    };
  };
  after('rename', (from, to) => inFolder(to));
  after('unlink', inFolder);
  after('close', (stream) => (stream.flags & 3) !== 0 && inFolder(stream.path));
}

// Mounts the folder, fills it from IndexedDB before the editor starts, and writes it back
// after every file the editor finishes or removes there (saves, recovery copies).
function mountFolder() {
  const FS = Module.FS;
  FS.mkdir(folder);
  FS.mount(FS.filesystems.IDBFS, {}, folder);
  FS.chdir(folder);
  Module.addRunDependency('vx-folder');
  FS.syncfs(true, (error) => {
    if (error) console.error('vxedit: the folder could not be read', error);
    // Only now: a write-back while the folder is still being filled would drop from IndexedDB
    // every file not yet read in.
    watchFolder(FS, () => setTimeout(keepFolder, 0));
    Module.removeRunDependency('vx-folder');
  });
}

async function openPicked() {
  const file = openInput.files[0];
  openInput.value = '';
  canvas.focus();
  if (!file) return;
  const bytes = new Uint8Array(await file.arrayBuffer());
  const FS = Module.FS;
  if (!FS.analyzePath(scratch).exists) FS.mkdir(scratch);
  const path = scratch + '/' + Date.now();
  FS.writeFile(path, bytes);
  Module.vxRequests.push({ kind: 'open', path, name: file.name });
}

function download(name) {
  const bytes = Module.FS.readFile(name);
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  link.download = name.split('/').pop();
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

// Whole multiples of the editor's pixels in device pixels, so the picture stays crisp.
function fitCanvas() {
  const ratio = window.devicePixelRatio || 1;
  const aside = document.querySelector('aside');
  const width = (window.innerWidth - aside.offsetWidth - 48) * ratio;
  const height = (window.innerHeight - 24) * ratio;
  const scale = Math.max(1, Math.floor(Math.min(width / 800, height / 600)));
  canvas.style.width = (800 * scale) / ratio + 'px';
  canvas.style.height = (600 * scale) / ratio + 'px';
}

const Module = (window.Module = {
  preRun: [mountFolder],
  vxRequests: [],
  vxFirstFrame() {
    document.body.dataset.firstFrameMs = String(Math.round(performance.now()));
    showState('running', 'The editor is running.');
  },
  vxEnded() {
    showState('ended', 'The editor has ended.');
  },
  vxDownload: download,
  print: (text) => console.log(text),
  printErr: (text) => console.error(text),
});

openInput.addEventListener('change', openPicked);
downloadButton.addEventListener('click', () => {
  Module.vxRequests.push({ kind: 'download' });
  canvas.focus();
});
restartButton.addEventListener('click', () => location.reload());
canvas.addEventListener('contextmenu', (event) => event.preventDefault());
window.addEventListener('resize', fitCanvas);
fitCanvas();
canvas.focus();
})();

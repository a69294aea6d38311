// The file panel beside the picture: the stored models and, apart, the recovery copies, each with
// Open, Download and Delete; the offer of unsaved work at start; Open model… and dropped files.
(() => {
'use strict';

const page = window.vxPage;
const scratch = '/tmp/picked';  // opened files wait here, outside the kept folder
const element = (id) => document.getElementById(id);

function timeText(time, withDate) {
  const at = new Date(time);
  const clock = at.toTimeString().slice(0, 5);
  const two = (n) => String(n).padStart(2, '0');
  return withDate ? `${at.getFullYear()}-${two(at.getMonth() + 1)}-${two(at.getDate())} ${clock}` : clock;
}

function sizeText(bytes) {
  return bytes < 1024 ? `${bytes} B` : `${(bytes / 1024).toFixed(1)} KB`;
}

// Hands a file's bytes to the editor through a scratch file, which the editor removes.
function openBytes(bytes, name, kind = 'open') {
  const FS = page.Module.FS;
  if (!FS.analyzePath(scratch).exists) FS.mkdir(scratch);
  const path = `${scratch}/${Date.now()}-${Math.random().toString(36).slice(2)}`;
  FS.writeFile(path, bytes);
  page.ask({ kind, path, name });
}

function download(bytes, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  link.download = name.split('/').pop();
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

// A copy goes back to the editor where it lies, as the unsaved work of its model.
function restore(record) {
  page.ask({ kind: 'restore', path: `${page.folder}/${record.name}`, name: page.modelOfCopy(record.name) });
}

function button(text, action) {
  const made = document.createElement('button');
  made.textContent = text;
  made.addEventListener('click', action);
  return made;
}

function entry(record) {
  const copy = page.isRecoveryCopy(record.name);
  const item = document.createElement('li');
  item.dataset.name = record.name;
  const label = document.createElement('span');
  label.className = 'file-name';
  label.textContent = copy ? record.name.split('/').pop() : record.name;
  const details = document.createElement('span');
  details.className = 'file-details';
  details.textContent = `${sizeText(record.bytes.length)}, ${timeText(record.time, true)}`;
  const open = button('Open', () => (copy ? restore(record) : openBytes(record.bytes, record.name)));
  const save = button('Download', () => download(record.bytes, record.name));
  const remove = button('Delete', () => {
    if (window.confirm(`Delete ${label.textContent}?`)) page.removeFile(record.name);
  });
  open.disabled = !page.running;
  item.append(label, details, open, save, remove);
  return item;
}

async function showFiles() {
  const records = await page.catchUp();
  const byName = (a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0);
  // A model's NAME.vxref (its views' pictures) is kept in the store beside it, not listed.
  const isReferences = (r) => r.name.endsWith('.vxref');
  const models = records.filter((r) => !page.inRecoveryFolder(r.name) && !isReferences(r)).sort(byName);
  const copies = records.filter((r) => page.isRecoveryCopy(r.name)).sort((a, b) => b.time - a.time);
  element('model-list').replaceChildren(...models.map(entry));
  element('copy-list').replaceChildren(...copies.map(entry));
  element('no-models').hidden = models.length > 0;
  element('no-copies').hidden = copies.length > 0;
}

function offerRestore(record) {
  if (!record) return;
  const offer = element('restore-offer');
  element('restore-text').textContent = `Unsaved work from ${timeText(record.time, false)}`;
  offer.hidden = false;
  element('restore').onclick = () => {
    offer.hidden = true;
    restore(record);
  };
  element('discard').onclick = () => {
    offer.hidden = true;
    page.removeFile(record.name);
  };
}

async function openPicked(file) {
  if (!file) return;
  openBytes(new Uint8Array(await file.arrayBuffer()), file.name);
}

async function askToPersist() {
  if (!navigator.storage || !navigator.storage.persist) return;
  if ((await navigator.storage.persisted()) || (await navigator.storage.persist())) return;
  element('storage-note').textContent =
    'The browser did not agree to keep these files for good: it may clear them when space runs low. Download what matters.';
}

function listen() {
  const input = element('open-model');
  input.addEventListener('change', () => {
    const file = input.files[0];
    input.value = '';
    page.canvas.focus();
    openPicked(file);
  });
  document.addEventListener('dragover', (event) => event.preventDefault());
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    if (page.running) openPicked(event.dataTransfer.files[0]);
  });
  page.onStoreChange(showFiles);
}

page.startPanel = () => {
  listen();
  askToPersist();
};

page.panelReady = () => {
  showFiles();
  offerRestore(page.copyToOffer(page.startRecords || []));
};

Object.assign(page, { openBytes, download, showFiles });
})();

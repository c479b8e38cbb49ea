// The m8sim panel: renders the handset's view and journal as the server streams them, and sends
// what the person does to the handset as JSON requests.
"use strict";

const $ = (id) => document.getElementById(id);
let exportsByName = new Map();
let view = null;

// Sends an action; returns the server's reply (its JSON and whether it succeeded).
async function post(path, body) {
  const response = await fetch(path, {
    method: "POST",
    headers: { "Content-Type": "application/json" },
    body: JSON.stringify(body),
  });
  let reply;
  try {
    reply = await response.json();
  } catch (e) {
    reply = { error: "the panel answered " + response.status };
  }
  return { ok: response.ok, reply };
}

function text(id, value) {
  $(id).textContent = value === undefined || value === null ? "–" : String(value);
}

function onOff(value) {
  if (value === undefined || value === null) return "–";
  return value ? "on" : "off";
}

function rectText(r) {
  return r ? `${r[0]},${r[1]} – ${r[2]},${r[3]}` : "–";
}

// Places an element over the screen outline at a rectangle of screen pixels.
function place(el, rect, screen) {
  const outline = $("screen");
  const sx = outline.clientWidth / screen.width;
  const sy = outline.clientHeight / screen.height;
  el.style.left = rect[0] * sx + "px";
  el.style.top = rect[1] * sy + "px";
  el.style.width = Math.max(0, rect[2] - rect[0]) * sx + "px";
  el.style.height = Math.max(0, rect[3] - rect[1]) * sy + "px";
}

function renderRadio(v) {
  const reg = v.registry || {};
  const state = v.state || {};
  const config = v.config || {};
  text("radio-flight", onOff(reg.flight_mode));
  text("radio-data", onOff(reg.data_switch));
  text("radio-roaming", reg.roaming === null ? "–" : reg.roaming ? "allowed" : "refused");
  text("radio-bluetooth", onOff(reg.bluetooth));
  const platform = config.platform || {};
  let wifi;
  if (platform.hardware_version === 2) {
    const ndis = Object.assign({}, config.ndis, state.ndis);
    wifi = ndis.bound ? "bound (NDIS adapter)" : "not bound";
  } else {
    const chip = Object.assign({}, config.swld24sp, state.swld24sp);
    wifi = chip.loaded ? "loaded (serial chip)" : "unloaded";
  }
  text("radio-wifi", wifi);
}

function renderConnection(v) {
  const state = v.state || {};
  const modem = state.modem || {};
  const phone = Object.assign({}, (v.config || {}).phone, state.phone);
  text("gprs-link", modem.entry ? `up: "${modem.entry}" to ${modem.apn || "?"}, address ${modem.address || "?"}` : "down");
  text("gprs-attached", phone.gprs_attached ? "yes" : "no");
  text("gprs-traffic", `sent ${phone.traffic_sent || 0}, received ${phone.traffic_received || 0}`);
  const reg = v.registry || {};
  text("gprs-totals", `sent ${reg.gprs_sent_total ?? 0}, received ${reg.gprs_received_total ?? 0}`);
}

function hex(value) {
  return "0x" + Number(value).toString(16);
}

function listText(items, describe) {
  if (!items || items.length === 0) return "none";
  return items.map(describe).join("; ");
}

function renderShell(v) {
  const shell = v.shell;
  const memory = (shell && shell.memory) || {};
  const windows = memory.windows || {};
  text("shell-run", shell ? shell.run : "no shell");
  text("shell-topbar", windows.top_bar_visible === undefined ? "–" : windows.top_bar_visible ? "shown" : "hidden");
  text("shell-lock", memory.locked === undefined ? "–" : memory.locked ? "locked" : "unlocked");
  text("shell-taskbar", windows.taskbar_list_enabled === undefined ? "–" : windows.taskbar_list_enabled ? "enabled" : "disabled");
  const screen = memory.screen || {};
  text("shell-screen", screen.always_on ? `always on (for ${screen.requester})` : "turns off by itself");
  text("shell-notifications", listText(memory.notifications,
    (n) => `${hex(n.handle)}: ${n.content.size} bytes, ${n.content.hex.slice(0, 32)}…`));
  text("shell-subscriptions", listText(memory.subscriptions, (s) => `${hex(s.window)} value ${s.value}`));
  $("topbar").hidden = windows.top_bar_visible === false;
  $("lock-overlay").hidden = !memory.locked;
}

function renderSip(v) {
  const sip = v.sip;
  if (!sip) return;
  const screen = sip.screen || { width: 480, height: 720 };
  $("screen").style.aspectRatio = `${screen.width} / ${screen.height}`;
  text("screen-size", `${screen.width}×${screen.height}`);
  text("sip-open", sip.open ? "open" : "closed");
  text("sip-mode", `${sip.mode} (${sip.layout})`);
  text("sip-rectangle", sip.open ? rectText(sip.rect) : "–");
  text("sip-workarea", rectText(sip.work_area));
  const rect = $("sip-rect");
  rect.hidden = !sip.open;
  if (sip.open) place(rect, sip.rect, screen);
  place($("workarea"), sip.work_area, screen);
}

function deviceState(v, name) {
  const device = (v.devices || {})[name];
  return device && device.present ? device.state || {} : null;
}

function renderDevices(v) {
  const backlight = deviceState(v, "BKL1:");
  text("backlight-level", backlight ? backlight.level : "absent");
  text("backlight-more", backlight ? `state ${backlight.state}, light sensor ${onOff(backlight.lux_state)}` : "");
  if (backlight && document.activeElement !== $("backlight-input")) $("backlight-input").value = backlight.level;
  const leds = deviceState(v, "LED");
  const vibrator = leds && leds.vibrator;
  text("vibrator", vibrator ? (vibrator.mode === "off" ? "off" : `${vibrator.does || vibrator.mode}`) : "none");
  const acc = deviceState(v, "ACC0:");
  text("acc-axes", acc ? `x ${acc.x}, y ${acc.y}, z ${acc.z}` : "absent");
  const ir = deviceState(v, "IRD1:");
  text("infrared", ir ? `${ir.detection ? "covered" : "uncovered"}, level ${ir.level}, ${ir.state ? "on" : "off"}` : "absent");
  const usb = deviceState(v, "UFN1:");
  text("usb", usb ? `${usb.connection_name}, client ${usb.current_client}` : "absent");
}

function renderView(v) {
  view = v;
  text("home", v.home);
  text("view-error", v.error || "");
  if (v.error) return;
  renderRadio(v);
  renderConnection(v);
  renderShell(v);
  renderSip(v);
  renderDevices(v);
}

// The journal: groups by command, newest first; each group's effects in the order they came.
const groups = new Map();

function groupTitle(g) {
  let title = g.title;
  if (!g.open) {
    if (g.result) title += "  →  " + g.result.split("\n")[0];
    if (g.exit && g.exit !== "0") title += `  (exit ${g.exit}${g.error ? ": " + g.error : ""})`;
  }
  return title;
}

function groupElement(g) {
  let el = groups.get(g.id);
  if (!el) {
    el = document.createElement("div");
    el.className = "group";
    el.dataset.group = g.id;
    el.dataset.pid = g.pid;
    const title = document.createElement("div");
    title.className = "group-title";
    const list = document.createElement("ol");
    list.className = "entries";
    el.append(title, list);
    $("journal").prepend(el);
    groups.set(g.id, el);
  }
  return el;
}

function matchesFilter(kind) {
  const wanted = $("journal-kind").value;
  return !wanted || kind.startsWith(wanted);
}

function renderJournal(journal) {
  for (const g of journal.groups) {
    const el = groupElement(g);
    el.querySelector(".group-title").textContent = groupTitle(g);
    el.classList.toggle("failed", !g.open && g.exit !== "" && g.exit !== "0");
  }
  for (const e of journal.entries) {
    const el = groupElement({ id: e.group, pid: e.pid, title: "process " + e.pid, open: true });
    const item = document.createElement("li");
    item.className = "entry";
    item.dataset.kind = e.kind;
    item.textContent = e.text;
    item.hidden = !matchesFilter(e.kind);
    el.querySelector(".entries").append(item);
  }
  trimJournal();
}

// The oldest groups go once the page holds more than it can show usefully.
const kMaxGroups = 500;

function trimJournal() {
  while (groups.size > kMaxGroups) {
    const oldest = Math.min(...groups.keys());
    groups.get(oldest).remove();
    groups.delete(oldest);
  }
}

function applyFilter() {
  for (const item of document.querySelectorAll("#journal .entry")) item.hidden = !matchesFilter(item.dataset.kind);
}

function connect() {
  const events = new EventSource("/api/events");
  // Each stream starts with the whole journal the panel keeps (a restarted panel numbers its
  // groups anew): what the page showed before goes.
  events.onopen = () => {
    groups.clear();
    $("journal").replaceChildren();
  };
  events.addEventListener("update", (message) => {
    const update = JSON.parse(message.data);
    if (update.view) renderView(update.view);
    if (update.journal) renderJournal(update.journal);
    if (view) document.body.dataset.live = "1";
    $("link").textContent = "live";
    $("link").className = "badge live";
  });
  events.onerror = () => {
    $("link").textContent = "reconnecting…";
    $("link").className = "badge";
  };
}

// The call form: one input per parameter of the export named.
function showParams() {
  const info = exportsByName.get($("call-export").value.trim());
  const params = $("call-params");
  params.replaceChildren();
  text("call-signature", info ? info.signature : "");
  if (!info) return;
  for (const p of info.params) {
    const label = document.createElement("label");
    const input = document.createElement("input");
    input.name = p.name;
    input.dataset.type = p.type;
    input.placeholder = p.type;
    input.spellcheck = false;
    // Output parameters start as "out" (a variable made for the call), callbacks as "null".
    if ((p.type.endsWith("*") && !p.type.startsWith("const ")) || ["LPDWORD", "LPWSTR"].includes(p.type))
      input.value = "out";
    if (p.type === "GprsConnectCallback") input.value = "null";
    label.append(p.name + " ", input);
    params.append(label);
  }
}

async function runCall(event) {
  event.preventDefault();
  const name = $("call-export").value.trim();
  const args = [...$("call-params").querySelectorAll("input")].map((i) => i.value);
  text("call-error", "");
  text("call-result", "");
  const { ok, reply } = await post("/api/call", { export: name, args });
  if (!ok) {
    text("call-error", reply.error || "the call was refused");
    return;
  }
  const lines = [reply.result];
  for (const r of reply.records || []) if (r.type === "callback") lines.push(`callback received ${r.value}`);
  text("call-result", lines.join("\n"));
}

async function act(path, body) {
  text("action-error", "");
  const { ok, reply } = await post(path, body);
  if (!ok) text("action-error", reply.error || "refused");
  return reply;
}

async function snapshot(path) {
  const name = $("snapshot-name").value.trim();
  const { ok, reply } = await post(path, { name });
  if (!ok) {
    text("snapshot-output", reply.error || "refused");
    return;
  }
  if (path === "/api/snapshot") {
    text("snapshot-output", `kept as "${name}"`);
    loadSnapshots();
    return;
  }
  text("snapshot-output", reply.text);
}

async function loadSnapshots() {
  const names = await (await fetch("/api/snapshots")).json();
  $("snapshots").replaceChildren(...names.map((n) => Object.assign(document.createElement("option"), { value: n })));
}

async function start() {
  const list = await (await fetch("/api/exports")).json();
  exportsByName = new Map(list.map((e) => [e.name, e]));
  $("exports").replaceChildren(
    ...list.map((e) => Object.assign(document.createElement("option"), { value: e.name, label: e.family })));
  const events = await (await fetch("/api/shell-events")).json();
  $("shell-event").replaceChildren(...events.map((n) => Object.assign(document.createElement("option"), { value: n, textContent: n })));
  loadSnapshots();

  $("call-export").addEventListener("input", showParams);
  $("call-export").addEventListener("change", showParams);
  $("call-form").addEventListener("submit", runCall);
  $("journal-kind").addEventListener("change", applyFilter);
  $("lock").onclick = () => post("/api/call", { export: "ShellNotifyMsgMzEntryLockPhone", args: [] });
  $("unlock").onclick = () => post("/api/call", { export: "ShellNotifyMsgMzLeaveLockPhone", args: [] });
  $("fire-event").onclick = () => act("/api/shell", { event: $("shell-event").value });
  $("backlight-set").onclick = () => act("/api/device", { device: "BKL1:", set: { level: $("backlight-input").value } });
  $("tilt").onclick = () =>
    act("/api/device", { device: "ACC0:", set: { x: $("tilt-x").value, y: $("tilt-y").value, z: $("tilt-z").value } });
  $("ir-cover").onclick = () => act("/api/device", { device: "IRD1:", set: { detection: 1 } });
  $("ir-uncover").onclick = () => act("/api/device", { device: "IRD1:", set: { detection: 0 } });
  $("usb-plug").onclick = () => act("/api/device", { device: "UFN1:", set: { connect: $("usb-connect").value } });
  $("snapshot-take").onclick = () => snapshot("/api/snapshot");
  $("snapshot-diff").onclick = () => snapshot("/api/diff");
  connect();
}

start();
